// The main window's side of the player: opening movies, the transport commands, the
// slider and the tracking timer, shown from the transport's state.

#include "app/frm_main.h"

#include "platform/native_path.h"
#include "ui/dialogs.h"
#include "ui/panel_status_bar.h"

#include <QSlider>
#include <QTimer>

namespace veskor {

void frmMain::syncTransport()
{
    const SliderState& s = m_transport.slider;
    m_syncingSlider = true;
    Sliderswf->setRange(s.Min, s.Max);
    Sliderswf->setValue(s.Value);
    m_syncingSlider = false;
    Sliderswf->setEnabled(s.Enabled);
    Sliderswf->setToolTip(s.ToolTipText);
    StatusBarswf->setPanelText(4, m_transport.panel4);
    // The file panel keeps the movie's file name whole and shortens its folder.
    const QString prefix = playingText(QString());
    if (m_transport.panel5.startsWith(prefix) && m_transport.panel5.size() > prefix.size())
        StatusBarswf->setPanelPath(5, prefix, displayText(m_transport.panel5.mid(prefix.size())));
    else
        StatusBarswf->setPanelText(5, m_transport.panel5);
    if (m_transport.timerEnabled && !Timerswf->isActive())
        Timerswf->start();
    else if (!m_transport.timerEnabled && Timerswf->isActive())
        Timerswf->stop();
}

void frmMain::mnuFileOpen_Click()
{
    const QString fileName =
        m_services.dialogs.openFileName(this, QStringLiteral("打开"), QStringLiteral("flash文件 (*.swf)"),
                                        dlgFileName);
    if (fileName.isEmpty())
        return;
    // The window stays open after a failure's message: the user may try another file.
    openMovieFile(fileName);
}

void frmMain::openMovieFile(const QString& path)
{
    dlgFileName = path;
    const Result<void> opened = m_transport.openMovie(path);
    syncTransport();
    // An open made while this one loaded took its place: nothing failed.
    if (!opened.ok() && !isSuperseded(opened.error()))
        m_services.dialogs.message(this, kOpenFailedMessage, kOpenFailedCaption);
}

void frmMain::loadswf(const QString& path)
{
    const Result<void> loaded = m_transport.loadswf(path, m_client, [this] { Form_Resize(); });
    syncTransport();
    // An open made while this one loaded took its place: nothing failed.
    if (!loaded.ok() && !isSuperseded(loaded.error()))
        m_services.dialogs.message(this, kOpenFailedMessage, kOpenFailedCaption);
}

void frmMain::playswf()
{
    (void)m_transport.playswf();
    syncTransport();
}
void frmMain::pauseswf() { (void)m_transport.pauseswf(); }
void frmMain::fastforwardswf() { (void)m_transport.fastforwardswf(); }
void frmMain::fastbackswf() { (void)m_transport.fastbackswf(); }
void frmMain::stepbackswf() { (void)m_transport.stepbackswf(); }

void frmMain::stopswf()
{
    (void)m_transport.stopswf();
    syncTransport();
}

void frmMain::Sliderswf_Scroll()
{
    m_transport.Sliderswf_Scroll(Sliderswf->value());
    syncTransport();
}

void frmMain::Timerswf_Timer()
{
    m_transport.Timerswf_Timer();
    syncTransport();
}

} // namespace veskor
