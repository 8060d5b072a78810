#pragma once
// Message boxes that name no title of their own carry the application's title.

#include <QString>

inline const QString kApplicationTitle = QStringLiteral("Varenthal");

// Installs, once per application, the filter that gives untitled message boxes the
// application's title just before they are shown.
void installMessageBoxTitle();
