#pragma once
// The open and save dialog of the `.ee` file commands. Over the toolkit's own dialog it
// adds what a user of the file commands expects:
//  - a name with '*' or '?' filters the list, like choosing a filter; it selects nothing;
//  - "All Files (*.*)" lists every file, also those without an extension;
//  - saving into a folder that does not exist is refused in the dialog, before the command
//    touches the chip.

#include <QFileDialog>

class EeFileDialog : public QFileDialog {
    Q_OBJECT
public:
    EeFileDialog(QWidget* parent, const QString& title, AcceptMode mode, const QString& folder);

    void accept() override;

private:
    void showAllFilesFilter(const QString& filter);
};
