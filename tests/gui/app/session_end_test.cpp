// The end of a Windows session reaches the window as the platform plugin hands it the
// messages: through the event dispatcher's native filters. Only the session's actual end
// runs the close step; the question before it and a cancelled end change nothing.

#include <windows.h>

#include <QAbstractEventDispatcher>
#include <QtTest>

#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"
#include "gui/app/form2.h"
#include "gui/app/session_end.h"

class SessionEndTest : public QObject {
    Q_OBJECT

private slots:
    void onlyTheSessionsEndClosesTheWindow() {
        frmUSB bus(std::make_unique<SimAdapter>(std::make_shared<SimulatedChip>()));
        bus.OpenFirstFreeDevice();
        Form2 form(bus);
        int ended = 0;
        form.setEndProgram([&ended] { ++ended; });
        form.show();
        closeOnSessionEnd(&form);

        const auto send = [](UINT message, WPARAM wParam) {
            MSG msg{};
            msg.message = message;
            msg.wParam = wParam;
            qintptr result = -1;
            const bool taken = QAbstractEventDispatcher::instance()->filterNativeEvent(
                "windows_generic_MSG", &msg, &result);
            return std::pair{taken, result};
        };
        QCOMPARE(send(WM_QUERYENDSESSION, 0), (std::pair<bool, qintptr>{true, TRUE}));
        QCOMPARE(send(WM_ENDSESSION, FALSE).first, true);  // the end was called off
        QCOMPARE(ended, 0);
        QVERIFY(form.isVisible());
        QVERIFY(!send(WM_PAINT, 0).first);  // everything else goes on to Qt

        QCOMPARE(send(WM_ENDSESSION, TRUE), (std::pair<bool, qintptr>{true, 0}));
        QCOMPARE(ended, 1);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(SessionEndTest)
#include "session_end_test.moc"
