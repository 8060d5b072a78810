#include "gui/pages/registers/status_panel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "gui/pages/registers/lamp_pictures.h"
#include "gui/pages/registers/status_lamp.h"
#include "gui/widgets/miscellaneous_gui.h"

using Miscellaneous::Twips;

namespace {

constexpr int kPanelWidth = 2055;
constexpr int kLampSize = 300;
constexpr int kTitleTop = 240;
constexpr int kFirstCaptionTop = 900;
constexpr int kLampPitch = 1140;
constexpr int kCaptionHeight = 255;
constexpr int kCaptionToLamp = 300;

struct LampInfo {
    const char* caption;
    const char* captionName;
    const char* lampName;
    lamps::Colour colour;
};

// Top to bottom; the same order as StatusPanel::LampIndex.
constexpr LampInfo kLamps[] = {
    {"VGOOD", "Label1", "ImgGrnLEDVgood", lamps::Colour::Green},
    {"OVTEMP", "Label2", "ImgRedLEDOvTemp", lamps::Colour::Red},
    {"UV", "Label3", "ImgRedLEDUV", lamps::Colour::Red},
    {"OV", "Label4", "ImgRedLEDOV", lamps::Colour::Red},
    {"OCD", "Label5", "ImgRedLEDOcd", lamps::Colour::Red},
    {"SCD", "Label6", "ImgRedLEDScd", lamps::Colour::Red},
};

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

StatusPanel::StatusPanel(Communication comm, QWidget* parent)
    : QFrame(parent), comm_(comm), tmrStatus_(new QTimer(this)) {
    tmrStatus_->setObjectName(QStringLiteral("tmrStatus"));
    tmrStatus_->setInterval(1000);
    connect(tmrStatus_, &QTimer::timeout, this, &StatusPanel::tmrStatus_Timer);

    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    QLabel* title = makeLabel(this, QStringLiteral("Label44"), QStringLiteral("STATUS"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setGeometry(0, Twips(kTitleTop), Twips(kPanelWidth), Twips(330));

    const int lampPx = Twips(kLampSize);
    const qreal ratio = devicePixelRatioF();
    const int drawPx = qRound(lampPx * ratio);
    QPixmap pictures[2][2];  // [green][lit]: the five red lamps share one pair
    for (int green = 0; green < 2; ++green) {
        for (int lit = 0; lit < 2; ++lit) {
            pictures[green][lit] =
                lamps::picture(green ? lamps::Colour::Green : lamps::Colour::Red, lit != 0, drawPx);
            pictures[green][lit].setDevicePixelRatio(ratio);
        }
    }

    const int lampLeft = (Twips(kPanelWidth) - lampPx) / 2;
    for (int i = 0; i < kLampCount; ++i) {
        const LampInfo& info = kLamps[i];
        const int captionTop = kFirstCaptionTop + i * kLampPitch;
        QLabel* caption = makeLabel(this, QString::fromLatin1(info.captionName),
                                    QString::fromLatin1(info.caption));
        caption->setGeometry(0, Twips(captionTop), Twips(kPanelWidth), Twips(kCaptionHeight));

        const int green = info.colour == lamps::Colour::Green ? 1 : 0;
        auto* lamp =
            new StatusLamp(QString::fromLatin1(info.caption), QString::fromLatin1(info.lampName),
                           pictures[green][0], pictures[green][1], this);
        lamp->setGeometry(lampLeft, Twips(captionTop + kCaptionToLamp), lampPx, lampPx);
        lamps_[static_cast<std::size_t>(i)] = lamp;
    }
}

void StatusPanel::setVgoodLamp(bool lit) {
    setLamp(lamps_[kVgood], lit);
}

void StatusPanel::setLamp(StatusLamp* lamp, bool bit) {
    lamp->setLit(bit);
}

void StatusPanel::tmrStatus_Timer() {
    QCoreApplication::processEvents();
    std::uint8_t value = 0;
    // A failure leaves 0: all lamps unlit.
    const std::int32_t rc = comm_.ReadRegister(chip::STATUS, value);
    setLamp(lamps_[kScd], (value & chip::kStatusSCD) != 0);
    setLamp(lamps_[kOcd], (value & chip::kStatusOCD) != 0);
    setLamp(lamps_[kOv], (value & chip::kStatusOV) != 0);
    setLamp(lamps_[kUv], (value & chip::kStatusUV) != 0);
    setLamp(lamps_[kOvTemp], (value & chip::kStatusOVTEMP) != 0);
    setLamp(lamps_[kVgood], (value & chip::kStatusVGOOD) != 0);
    emit statusRead(rc, value);
}
