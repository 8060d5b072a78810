#include "gui/dialogs/frm_about.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>
#include <array>

#include "core/base/program_file_date.h"
#include "core/base/program_version.h"
#include "gui/widgets/artwork.h"
#include "gui/widgets/miscellaneous_gui.h"

using Miscellaneous::Twips;

namespace {
constexpr int kWidthTwips = 6225;
constexpr int kHeightTwips = 4650;
constexpr int kPictureLeft = 2400;
constexpr int kPictureTop = 1560;
constexpr int kBannerLeft = 1680;
constexpr int kBadPathTop = 1680;
// Design tops and heights of Description, RevisionLabel, UpdateDate, Copyright, comments.
constexpr std::array<int, 5> kLineTops{720, 1200, 3240, 3600, 4080};
constexpr std::array<int, 5> kLineHeights{375, 495, 255, 375, 495};

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height, int points = 0) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(pal);
    if (points > 0) {
        QFont f = label->font();
        f.setPointSize(points);
        label->setFont(f);
    }
    label->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
    return label;
}
}  // namespace

frmAbout::frmAbout(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);  // closing through the frame unloads it
    setWindowTitle(QStringLiteral("About Varenthal"));
    setWindowIcon(artwork::icon());
    setAutoFillBackground(true);
    QPalette pal = palette();
    // White with dark text in every desktop theme, light or dark.
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    setFixedSize(Twips(kWidthTwips), Twips(kHeightTwips));

    Image2_ = new QLabel(this);
    Image2_->setObjectName(QStringLiteral("Image2"));
    Image2_->setPixmap(artwork::banner());
    Image2_->setGeometry(Twips(1680), 0, Twips(2760), Twips(450));
    Image1_ = new QLabel(this);
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setPixmap(artwork::icon());
    Image1_->setGeometry(Twips(120), 0, Twips(480), Twips(480));

    Description_ =
        makeLabel(this, "Description", QStringLiteral("Description"), 0, 720, 6255, 375, 12);
    RevisionLabel_ =
        makeLabel(this, "RevisionLabel", QStringLiteral("revison"), 2160, 1200, 1815, 495, 12);
    AboutOK_ = new QLabel(this);
    AboutOK_->setObjectName(QStringLiteral("AboutOK"));
    AboutOK_->setPixmap(artwork::aboutPicture());
    AboutOK_->setAlignment(Qt::AlignCenter);
    AboutOK_->setGeometry(Twips(2400), Twips(1560), Twips(1275), Twips(1500));
    AboutOK_->setCursor(Qt::PointingHandCursor);
    AboutOK_->setAccessibleName(QStringLiteral("OK"));
    AboutOK_->setAccessibleDescription(QStringLiteral("Closes the About box"));
    AboutOK_->installEventFilter(this);
    badpathlabel_ = makeLabel(this, "badpathlabel", QString(), 0, 1680, 0, 0);
    UpdateDate_ = makeLabel(this, "UpdateDate", QStringLiteral("Last Updated: 04/13/98"), 120, 3240,
                            6015, 255);
    Copyright_ = makeLabel(this, "Copyright", QStringLiteral("Copyright"), 120, 3600, 5895, 375);
    comments_ = makeLabel(this, "comments", QStringLiteral("comments"), 120, 4080, 5895, 495);
    Copyright_->setWordWrap(true);
    comments_->setWordWrap(true);

    Load();
}

std::string frmAbout::programFilePath() {
    return ::programFilePath();
}

void frmAbout::Load() {
    Miscellaneous::CenterForm(this);
    badpathlabel_->clear();
    const ProgramVersion version = programVersion();
    Description_->setText(QString::fromStdString(version.fileDescription));
    RevisionLabel_->setText(QStringLiteral("Version %1.%2.%3")
                                .arg(version.major)
                                .arg(version.minor)
                                .arg(version.revision));
    const FileDateResult date = programFileDate(programFilePath());
    if (!date.error.empty()) {
        badpathlabel_->setText(QString::fromStdString(date.error));
        badpathlabel_->adjustSize();  // sizes itself to its text
    }
    UpdateDate_->setText(QStringLiteral("Last Updated ") + QString::fromStdString(date.date));
    comments_->setText(QString::fromStdString(version.comments));
    Copyright_->setText(QString::fromStdString(version.legalNotice));
    setWindowTitle(QStringLiteral("About ") + QString::fromStdString(version.productName));
    // Each line spans the window with 110-twip margins, its text centred.
    const int margin = Twips(110);
    Image1_->move(margin, Image1_->y());
    fitLines(margin);
}

void frmAbout::fitLines(int margin) {
    // A larger font than the design's widens the box for the widest line and pushes the
    // lines below a taller one down, so that no text is cut; the notice and the comments
    // wrap rather than widen it.
    const std::array<QLabel*, 5> lines{Description_, RevisionLabel_, UpdateDate_, Copyright_,
                                       comments_};
    const int frameExtra = frameGeometry().width() - width();
    int outer = Twips(kWidthTwips) + frameExtra;
    for (QLabel* line : lines) {
        if (!line->wordWrap()) outer = std::max(outer, line->sizeHint().width() + 2 * margin);
    }
    int bottom = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        QLabel* line = lines[i];
        const int width = outer - 2 * margin;
        const int needed =
            line->wordWrap() ? line->heightForWidth(width) : line->sizeHint().height();
        const int top = std::max(Twips(kLineTops[i]), bottom);
        line->setGeometry(margin, top, width, std::max(Twips(kLineHeights[i]), needed));
        bottom = line->geometry().bottom() + 1;
        // The picture sits between the version and the date line, below the error text
        // when the date could not be read.
        if (line == RevisionLabel_) {
            if (!badpathlabel_->text().isEmpty()) {
                badpathlabel_->move(badpathlabel_->x(), std::max(Twips(kBadPathTop), bottom));
                bottom = badpathlabel_->geometry().bottom() + 1;
            }
            AboutOK_->move(Twips(kPictureLeft) + (outer - frameExtra - Twips(kWidthTwips)) / 2,
                           std::max(Twips(kPictureTop), bottom));
            bottom = AboutOK_->geometry().bottom() + 1;
        }
    }
    const QSize size(outer - frameExtra, std::max(Twips(kHeightTwips), bottom + Twips(75)));
    setFixedSize(size);
    Image2_->move(Twips(kBannerLeft) + (size.width() - Twips(kWidthTwips)) / 2, 0);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == AboutOK_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        AboutOK_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmAbout::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            hide();  // as the picture's click, without its beep
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void frmAbout::AboutOK_Click() {
    QApplication::beep();
    hide();  // stays loaded: the next "&About" shows the same texts
}
