#include "gui/widgets/accessible_names.h"

#include <QLabel>
#include <QRegularExpression>

namespace accessiblenames {

void nameFromBuddies(QWidget* root) {
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (!buddy || !buddy->accessibleName().isEmpty()) continue;
        QString text = label->text();
        // "&Interval" is read "Interval"; "&&" stands for one '&'.
        text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
        text = text.trimmed();
        if (text.endsWith(QLatin1Char(':'))) text.chop(1);
        buddy->setAccessibleName(text);
    }
}

}  // namespace accessiblenames
