#include "gui/app/connect_menu.h"

#include <QAction>
#include <QMenu>

#include "core/link/frm_usb.h"

void installConnectMenu(QMenu* mnuI2C, frmUSB& bus, std::function<void(const std::string& name)> connectTo,
                        std::function<void()> disconnect) {
    mnuI2C->addSeparator();
    QMenu* mnuConnect = mnuI2C->addMenu(QStringLiteral("Connect"));
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
    // Listed only when the user opens it: the list is bus traffic of its own.
    QObject::connect(mnuConnect, &QMenu::aboutToShow, mnuConnect, [mnuConnect, &bus, connectTo] {
        mnuConnect->clear();
        std::int32_t count = 0;
        std::string names;
        bus.Talvex1().listFreeDevices(1, count, names);
        for (std::size_t start = 0; count > 0 && start <= names.size();) {
            const std::size_t comma = std::min(names.find(',', start), names.size());
            const std::string name = names.substr(start, comma - start);
            if (!name.empty()) {
                QAction* item = mnuConnect->addAction(QString::fromStdString(name));
                item->setObjectName(QStringLiteral("mnuConnect_") + QString::fromStdString(name));
                QObject::connect(item, &QAction::triggered, mnuConnect,
                                 [connectTo, name] { connectTo(name); });
            }
            start = comma + 1;
        }
        if (mnuConnect->isEmpty())
            mnuConnect->addAction(QStringLiteral("(no free adapter)"))->setEnabled(false);
    });
    QAction* mnuDisconnect = mnuI2C->addAction(QStringLiteral("Disconnect"));
    mnuDisconnect->setObjectName(QStringLiteral("mnuDisconnect"));
    QObject::connect(mnuDisconnect, &QAction::triggered, mnuI2C, [disconnect] { disconnect(); });
}
