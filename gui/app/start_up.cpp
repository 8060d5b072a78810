#include "gui/app/start_up.h"

#include <QCoreApplication>
#include <QPointer>

#include "gui/app/form2.h"
#include "gui/dialogs/frm_about.h"
#include "gui/widgets/miscellaneous_gui.h"

std::unique_ptr<Form2> StartUp(frmUSB& bus) {
    // Owned by itself: closing it through its frame deletes it, and the load step unloads it.
    const QPointer<frmAbout> splash = new frmAbout();
    splash->show();
    QCoreApplication::processEvents();
    Miscellaneous::Delay(2.0F);
    auto form = std::make_unique<Form2>(bus);
    form->Load(splash.data());
    form->show();
    return form;
}
