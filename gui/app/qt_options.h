#pragma once
// The options every Qt program takes (-style, -platform, -reverse ...). QApplication reads
// them itself; the program's own parser must neither refuse them nor see them.

#include <QString>
#include <QStringList>

// `arguments` without the standard Qt options and their values; the program name stays.
QStringList withoutQtOptions(const QStringList& arguments);
// The help section that --help-all adds for them.
QString qtOptionsHelp();
