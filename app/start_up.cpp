#include "app/start_up.h"

#include <QCoreApplication>

#include "app/form2.h"
#include "dialogs/frm_about.h"
#include "link/miscellaneous_gui.h"

std::unique_ptr<Form2> StartUp() {
    auto* splash = new frmAbout();  // deletes itself when the load step unloads it
    splash->show();
    QCoreApplication::processEvents();
    Miscellaneous::Delay(2.0F);
    auto form = std::make_unique<Form2>();
    form->Load(splash);
    form->show();
    return form;
}
