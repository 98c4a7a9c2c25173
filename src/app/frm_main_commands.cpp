// The main window's commands that need no window of their own: the web searches and
// pages, the type filters, and the toolbar's dispatch by button key.

#include "app/frm_main.h"

#include "platform/native_path.h"
#include "ui/guarded.h"
#include "ui/keyed_tool_bar.h"
#include "web/search_urls.h"

#include <QLineEdit>

namespace veskor {

QString frmMain::textOfSearchBox() const { return Text1->text(); }

// The web commands: each builds one address and hands it to the desktop.
void frmMain::Command1_Click()
{
    const Node* node = selectedNode();
    const QString tag = node ? node->Tag() : QString();
    m_services.launcher.openurl(command1Address(textOfSearchBox(), node ? &tag : nullptr));
}

void frmMain::Command2_Click() { m_services.launcher.openurl(navigationPage()); }

void frmMain::menusearch_Click()
{
    const Node* node = selectedNode();
    if (!node)
        return;
    m_services.launcher.openinbrowser(menusearchAddress(displayText(node->Text()), node->Tag(), m_lib.filetype),
                                      SW_SHOWNORMAL);
}

void frmMain::menuflashkj_Click() { m_services.launcher.openurl(typedSearch(textOfSearchBox(), QStringLiteral("swf"))); }
void frmMain::menupptkj_Click() { m_services.launcher.openurl(typedSearch(textOfSearchBox(), QStringLiteral("ppt"))); }
void frmMain::menuwordwd_Click() { m_services.launcher.openurl(typedSearch(textOfSearchBox(), QStringLiteral("doc"))); }
void frmMain::mnukjwy_Click() { m_services.launcher.openurl(typeBrowse(QStringLiteral("swf"))); }
void frmMain::mnuyywy_Click() { m_services.launcher.openurl(typeBrowse(QStringLiteral("ppt"))); }
void frmMain::mnuxxwy_Click() { m_services.launcher.openurl(typeBrowse(QStringLiteral("doc"))); }
void frmMain::mnujszc_Click() { m_services.launcher.openurl(forumPage()); }
void frmMain::mnushming_Click() { m_services.launcher.openurl(forumPage()); }

// The type filters rebuild the tree and open the matching page of the search site.
void frmMain::mnuswfkejian_Click() { m_lib.mnuswfkejian_Click(); }
void frmMain::mnupptkejian_Click() { m_lib.mnupptkejian_Click(); }
void frmMain::mnudocwendang_Click() { m_lib.mnudocwendang_Click(); }
void frmMain::showall() { m_lib.showall(); }

void frmMain::tbToolBar_ButtonClick(const QString& key)
{
    // Failures inside a command end that command silently.
    guarded([&] {
        if (key == QStringLiteral("播放"))
            playswf();
        else if (key == QStringLiteral("停止"))
            stopswf();
        else if (key == QStringLiteral("后退"))
            stepbackswf();
        else if (key == QStringLiteral("快进"))
            fastforwardswf();
        else if (key == QStringLiteral("快退"))
            fastbackswf();
        else if (key == QStringLiteral("暂停"))
            pauseswf();
        else if (key == QStringLiteral("doc"))
            mnudocwendang_Click();
        else if (key == QStringLiteral("ppt"))
            mnupptkejian_Click();
        else if (key == QStringLiteral("swf"))
            mnuswfkejian_Click();
        else if (key == QStringLiteral("all"))
            showall();
        else if (key == QStringLiteral("隐藏")) {
            if (tbToolBar->Value(QStringLiteral("隐藏")) == 1)
                mnuxkyincang_Click();
            else
                mnuxkyuanshi_Click();
        } else if (key == QStringLiteral("保存"))
            mnuFilesave_Click();
        else if (key == QStringLiteral("打开"))
            mnuFileOpen_Click();
    });
}

} // namespace veskor
