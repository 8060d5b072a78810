#pragma once
// The about box, also shown as the start-up splash.

#include <QWidget>
#include <string>

class QLabel;

class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The file whose date the box shows: the program's folder and its fixed name.
    static std::string programFilePath();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape, Enter and Return close it as the picture does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Load();
    // Places the text lines for the font in use; the design's places when they fit.
    void fitLines(int margin);
    void AboutOK_Click();

    QLabel* Image1_ = nullptr;
    QLabel* Image2_ = nullptr;
    QLabel* Description_ = nullptr;
    QLabel* RevisionLabel_ = nullptr;
    QLabel* AboutOK_ = nullptr;
    QLabel* badpathlabel_ = nullptr;
    QLabel* UpdateDate_ = nullptr;
    QLabel* Copyright_ = nullptr;
    QLabel* comments_ = nullptr;
};
