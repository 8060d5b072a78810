#include "gui/app/connect_menu.h"

#include <QAction>
#include <QMenu>

#include "core/adapters/same_adapter.h"
#include "core/adapters/with_simulator.h"
#include "core/link/frm_usb.h"

void installConnectMenu(QMenu* mnuI2C, frmUSB& bus,
                        std::function<void(const std::string& name)> connectTo,
                        std::function<void()> disconnect, std::function<bool()> offersSimulator) {
    mnuI2C->addSeparator();
    QMenu* mnuConnect = mnuI2C->addMenu(QStringLiteral("&Connect"));
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
    // Listed only when the user opens it: the list is bus traffic of its own.
    QObject::connect(
        mnuConnect, &QMenu::aboutToShow, mnuConnect,
        [mnuConnect, &bus, connectTo, offersSimulator] {
            mnuConnect->clear();
            for (const std::string& name : freeAdapterNames(bus)) {
                // The bus with its USB path and name, so that two bridges can be told apart.
                // A '&' in an adapter's name is shown, not taken for a mnemonic.
                QAction* item =
                    mnuConnect->addAction(QString::fromStdString(describeAdapter(identifyBus(name)))
                                              .replace(QLatin1Char('&'), QStringLiteral("&&")));
                item->setObjectName(QStringLiteral("mnuConnect_") + QString::fromStdString(name));
                QObject::connect(item, &QAction::triggered, mnuConnect,
                                 [connectTo, name] { connectTo(name); });
            }
            if (mnuConnect->isEmpty())
                mnuConnect->addAction(QStringLiteral("(no free adapter)"))->setEnabled(false);
            // Always there beside the hardware, so that a first start without any still works.
            if (offersSimulator && offersSimulator()) {
                mnuConnect->addSeparator();
                QAction* sim = mnuConnect->addAction(QStringLiteral("&Built-in simulator"));
                sim->setObjectName(QStringLiteral("mnuConnectSimulator"));
                QObject::connect(sim, &QAction::triggered, mnuConnect,
                                 [connectTo] { connectTo(WithSimulator::kSimulatorName); });
            }
        });
    QAction* mnuDisconnect = mnuI2C->addAction(QStringLiteral("&Disconnect"));
    mnuDisconnect->setObjectName(QStringLiteral("mnuDisconnect"));
    QObject::connect(mnuDisconnect, &QAction::triggered, mnuI2C, [disconnect] { disconnect(); });
}
