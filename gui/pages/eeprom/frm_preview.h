#pragma once
// The EEPROM preview: the five configuration bytes as hex and as coloured bit cells,
// shown modally before anything is programmed. It reads and writes no register.

#include <QDialog>
#include <array>
#include <cstdint>
#include <span>

class BitCell;
class QLineEdit;

class frmPreview : public QDialog {
    Q_OBJECT
public:
    explicit frmPreview(QWidget* parent = nullptr);

    // Fills the grid from slots 0..4 (registers 0x06..0x0A); every cell is rewritten.
    void Display(std::span<const std::uint8_t> bytes);

private:
    void OKButton_Click();

    std::array<QLineEdit*, 5> txtData_{};
    std::array<std::array<BitCell*, 8>, 5> bitCells_{};
};
