// The modal windows the main window opens: the settings dialog and the about box,
// each created afresh for every opening.

#include "app/frm_about.h"
#include "app/frm_main.h"
#include "settings/frm_set.h"
#include "ui/dialogs.h"

namespace veskor {

void frmMain::menusoftset_Click()
{
    frmset dialog(this, m_lib, m_services.settings, m_services.dialogs);
    m_services.dialogs.exec(dialog);
}

void frmMain::menuhelpabout_Click()
{
    frmAbout dialog(this);
    m_services.dialogs.exec(dialog);
}

} // namespace veskor
