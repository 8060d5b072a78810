#pragma once
// A cell that shows one register bit: its name as caption, the bit colour as background, and
// a corner mark when the bit is 1, so that the value is not told by colour alone. Its
// accessible description starts with the value ("1 (set)", "0 (clear)", "not read").

#include <QLabel>
#include <optional>

class BitCell : public QLabel {
    Q_OBJECT
public:
    // `about` says what the bit means; it is the tooltip and the description's second part.
    BitCell(const QString& caption, const QString& about, QWidget* parent = nullptr);

    // Colours the cell for the bit's value; no value leaves the window colour of a cell that
    // has not been read.
    void setBit(std::optional<bool> bit);
    std::optional<bool> bit() const { return bit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void describe();

    QString about_;
    std::optional<bool> bit_;
};
