#pragma once
// The Registers page: the eleven registers 0x00..0x0A as hex and coloured bits, hand writes
// of the control registers, and the background scan that re-reads one register per tick.
//
// Working states: Scanning (scan wanted, timer on), Editing (a control register's box has
// the focus, timer off), Stopped ("Scan" cleared, timer off).

#include <QColor>
#include <QWidget>
#include <array>
#include <cstdint>

#include "core/link/communication.h"

class BitCell;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class RegistersPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 11;  // registers 0x00..0x0A

    explicit RegistersPage(Communication comm, QWidget* parent = nullptr);

    // Reads all eleven registers into the page, then clears the scan's highlight.
    void ReadAllRegisters();

    QTimer* tmrRegisterScan() const { return tmrRegisterScan_; }

    // Whether the scan resumes when a data box loses the focus; "Scan" sets it.
    bool bScanEnabled = true;

    // A box that holds the user's text, not the chip's: drawn in kEditedColour, in italics,
    // with the "edited" property set, until Write, Read All or Escape.
    static inline const QColor kEditedColour{255, 214, 150};
    bool isEdited(int a) const { return edited_[static_cast<std::size_t>(a)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeaders();
    void buildRow(int a);
    void buildFooter();

    void cmdWrite_Click(int a);
    void chkScan_Click(bool checked);
    void txtData_GotFocus(int a, Qt::FocusReason reason);
    void txtData_LostFocus();
    void tmrRegisterScan_Timer();

    void startScan();
    void showChipValue(int a, const QString& text);
    void colourRow(int a, std::uint8_t value);
    void clearRowColour(int a);
    void setBoxColour(int a, const QColor& colour);
    void setEdited(int a, bool edited);
    int boxIndex(const QObject* object) const;

    Communication comm_;
    std::array<QLineEdit*, kRows> txtData_{};
    QGridLayout* grid_ = nullptr;
    std::array<std::array<BitCell*, 8>, kRows> bitCells_{};  // [address][bit]
    QTimer* tmrRegisterScan_;

    int scanPosition_ = 0;      // the address the scan read last
    int highlightedBox_ = 0;    // the box the scan last painted yellow
    int selectOnRelease_ = -1;  // box that got the focus by a mouse press, see eventFilter
    // A box the user typed into keeps that text until Write, Read All or Escape; the scan
    // only remembers what the chip holds, for Escape to bring back.
    std::array<bool, kRows> edited_{};
    std::array<QString, kRows> chipText_{};
};
