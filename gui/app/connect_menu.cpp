#include "gui/app/connect_menu.h"

#include <QAction>
#include <QMenu>

#include "core/adapters/same_adapter.h"
#include "core/link/frm_usb.h"

void installConnectMenu(QMenu* mnuI2C, frmUSB& bus,
                        std::function<void(const std::string& name)> connectTo,
                        std::function<void()> disconnect) {
    mnuI2C->addSeparator();
    QMenu* mnuConnect = mnuI2C->addMenu(QStringLiteral("Connect"));
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
    // Listed only when the user opens it: the list is bus traffic of its own.
    QObject::connect(mnuConnect, &QMenu::aboutToShow, mnuConnect, [mnuConnect, &bus, connectTo] {
        mnuConnect->clear();
        for (const std::string& name : freeAdapterNames(bus)) {
            // The bus with its USB path and name, so that two bridges can be told apart.
            QAction* item =
                mnuConnect->addAction(QString::fromStdString(describeAdapter(identifyBus(name))));
            item->setObjectName(QStringLiteral("mnuConnect_") + QString::fromStdString(name));
            QObject::connect(item, &QAction::triggered, mnuConnect,
                             [connectTo, name] { connectTo(name); });
        }
        if (mnuConnect->isEmpty())
            mnuConnect->addAction(QStringLiteral("(no free adapter)"))->setEnabled(false);
    });
    QAction* mnuDisconnect = mnuI2C->addAction(QStringLiteral("Disconnect"));
    mnuDisconnect->setObjectName(QStringLiteral("mnuDisconnect"));
    QObject::connect(mnuDisconnect, &QAction::triggered, mnuI2C, [disconnect] { disconnect(); });
}
