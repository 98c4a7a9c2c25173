#include "settings/frm_set.h"

#include "library/library.h"
#include "settings/folder_list.h"
#include "settings/root_choices.h"
#include "settings/settings_apply.h"
#include "ui/app_fonts.h"
#include "ui/dialogs.h"
#include "ui/guarded.h"
#include "ui/screen_scale.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace veskor {

frmset::frmset(QWidget* owner, Library& lib, SettingsStore& settings, Dialogs& dialogs)
    : QDialog(owner, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowTitleHint)
    , m_lib(lib)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_roots(rootChoices())
{
    setObjectName("frmset");
    // No caption: an empty title would make the window system show the program's name
    // instead, a single space shows nothing.
    setWindowTitle(QStringLiteral(" "));
    setModal(true);
    setFont(songti(10.5));
    const TwipsScale scale = screenScale(owner);
    resize(scale.pixels(10425_tw), scale.pixels(6330_tw));
    setSizeGripEnabled(true);

    Frame1 = new QGroupBox(QStringLiteral("软件选项设置"), this);
    Frame1->setGeometry(scale.rect({120_tw, 240_tw, 2295_tw, 4455_tw}));
    Labelsaomiao = new QLabel(QStringLiteral("资料位置设定"), Frame1);
    Labelsaomiao->setGeometry(scale.rect({330_tw, 720_tw, 1635_tw, 330_tw}));
    Labeljiaocaibanben = new QLabel(QStringLiteral("教材版本设定"), Frame1);
    Labeljiaocaibanben->setGeometry(scale.rect({330_tw, 3480_tw, 1635_tw, 330_tw}));
    for (QLabel* label : {Labelsaomiao, Labeljiaocaibanben}) {
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }

    Drive1 = new QComboBox(this);
    Drive1->setGeometry(scale.rect({3000_tw, 480_tw, 3975_tw, 330_tw}));
    Dir1 = new FolderList(lib.fsys, this);
    Dir1->setGeometry(scale.rect({3000_tw, 840_tw, 3975_tw, 2820_tw}));
    File1 = new FileList(lib.fsys, this);
    File1->setGeometry(scale.rect({7080_tw, 480_tw, 3225_tw, 3180_tw}));
    Text1 = new QLineEdit(this);
    Text1->setGeometry(scale.rect({3000_tw, 3720_tw, 6015_tw, 495_tw}));
    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setGeometry(scale.rect({9120_tw, 3720_tw, 1185_tw, 495_tw}));
    Labeltip = new QLabel(this);
    Labeltip->setGeometry(scale.rect({3000_tw, 4440_tw, 7305_tw, 735_tw}));
    Labeltip->setWordWrap(true);
    Labeltip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Labeltip->setFont(songti(9));

    setRoots(m_roots);
    const QString current = QDir::currentPath();
    m_rootIndex = rootIndexFor(m_roots, current);
    Drive1->setCurrentIndex(m_rootIndex);
    (void)Dir1->setPath(current);
    File1->setPath(Dir1->path());

    connect(Drive1, &QComboBox::activated, this, [this] { guarded([&] { Drive1_Change(); }); });
    connect(Dir1, &FolderList::pathChanged, this, [this] { guarded([&] { Dir1_Change(); }); });
    connect(File1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { guarded([&] { File1_Click(FileList::fileNameOf(item)); }); });
    connect(Command1, &QPushButton::clicked, this, [this] { guarded([&] { Command1_Click(); }); });

    Form_Load();
    if (owner)
        move(owner->geometry().center() - rect().center());
}

void frmset::setRoots(const QList<RootChoice>& roots)
{
    if (&roots != &m_roots)
        m_roots = roots;
    Drive1->clear();
    for (const RootChoice& root : m_roots)
        Drive1->addItem(root.label, root.path);
    Drive1->setCurrentIndex(m_rootIndex < Drive1->count() ? m_rootIndex : -1);
}

void frmset::Form_Load()
{
    Text1->setText(m_lib.saomiao);
    Labelsaomiao_Click();
}

void frmset::showMode(QLabel* active, QLabel* other)
{
    // The active mode's label in the highlight colour, flat; the other in the button
    // face colour, raised.
    QPalette activePalette = active->palette();
    activePalette.setColor(QPalette::Window, palette().color(QPalette::Highlight));
    activePalette.setColor(QPalette::WindowText, palette().color(QPalette::HighlightedText));
    active->setPalette(activePalette);
    active->setFrameStyle(QFrame::NoFrame);
    QPalette otherPalette = other->palette();
    otherPalette.setColor(QPalette::Window, palette().color(QPalette::Button));
    otherPalette.setColor(QPalette::WindowText, palette().color(QPalette::ButtonText));
    other->setPalette(otherPalette);
    other->setFrameStyle(QFrame::Panel | QFrame::Raised);
}

void frmset::Labelsaomiao_Click()
{
    showMode(Labelsaomiao, Labeljiaocaibanben);
    modekey = kModeDataFolder;
    File1->setPattern(QStringLiteral("*.*"));
    Labeltip->setText(kDataFolderTip);
}

void frmset::Labeljiaocaibanben_Click()
{
    showMode(Labeljiaocaibanben, Labelsaomiao);
    modekey = kModeCatalogue;
    // The root that holds the program, then its support folder; a step that cannot be
    // done is skipped.
    const int root = rootIndexFor(m_roots, m_lib.applicationFolder());
    if (root >= 0 && root != Drive1->currentIndex()) {
        Drive1->setCurrentIndex(root);
        Drive1_Change();
    }
    (void)Dir1->setPath(m_lib.apppath + QStringLiteral("软件支持"));
    File1->setPattern(QStringLiteral("*.txt"));
    Labeltip->setText(kCatalogueTip);
}

void frmset::Drive1_Change()
{
    const int chosen = Drive1->currentIndex();
    if (chosen < 0 || chosen >= m_roots.size())
        return;
    // A root that cannot be opened keeps the previous root and folder.
    if (!Dir1->setPath(m_roots[chosen].path).ok()) {
        Drive1->setCurrentIndex(m_rootIndex);
        return;
    }
    m_rootIndex = chosen;
}

void frmset::Dir1_Change()
{
    File1->setPath(Dir1->path());
    Text1->setText(Dir1->path());
}

void frmset::File1_Click(const QString& fileName)
{
    if (modekey != kModeCatalogue || fileName.isEmpty())
        return;
    const QString folder = Dir1->path();
    Text1->setText(folder.endsWith('/') ? folder + fileName : folder + '/' + fileName);
}

void frmset::Command1_Click()
{
    const SettingsApplyResult result = applySettingsPath(modekey, Text1->text(), m_lib, m_settings);
    if (!result.message.isEmpty())
        m_dialogs.message(this, result.message, QStringLiteral("Veskor"));
}

bool frmset::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Labelsaomiao)
            guarded([&] { Labelsaomiao_Click(); });
        else if (watched == Labeljiaocaibanben)
            guarded([&] { Labeljiaocaibanben_Click(); });
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace veskor
