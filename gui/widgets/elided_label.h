#pragma once
// A one-line label for text of any length, such as a file name: it takes the room its layout
// gives it rather than widening the row, and shows the text elided in the middle when that
// room is short. The tool tip and the accessible name keep the whole text.

#include <QLabel>
#include <QString>

class ElidedLabel final : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString full_;
};
