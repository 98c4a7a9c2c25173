#include "ui/dialogs.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace veskor {

void QtDialogs::message(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool QtDialogs::confirm(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok | QMessageBox::Cancel, owner);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

bool QtDialogs::confirmCautiously(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok | QMessageBox::Cancel, owner);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

QString QtDialogs::openFileName(QWidget* owner, const QString& title, const QString& filter,
                                const QString& startName)
{
    return QFileDialog::getOpenFileName(owner, title, startName, filter);
}

QString QtDialogs::saveFileName(QWidget* owner, const QString& title, const QString& filter,
                                const QString& startName)
{
    return QFileDialog::getSaveFileName(owner, title, startName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void QtDialogs::popup(QMenu* menu, const QPoint& globalPos)
{
    if (menu)
        menu->exec(globalPos);
}

int QtDialogs::exec(QDialog& dialog) { return dialog.exec(); }

void RecordingDialogs::message(QWidget*, const QString& text, const QString& caption)
{
    messages.append({text, caption});
}

bool RecordingDialogs::confirm(QWidget*, const QString& text, const QString&)
{
    confirmations.append(text);
    return confirmAnswer;
}

bool RecordingDialogs::confirmCautiously(QWidget*, const QString& text, const QString&)
{
    cautiousConfirmations.append(text);
    return confirmAnswer;
}

QString RecordingDialogs::openFileName(QWidget*, const QString& title, const QString& filter,
                                       const QString& startName)
{
    openTitles.append(title);
    openStartNames.append(startName);
    openFilters.append(filter);
    return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
}

QString RecordingDialogs::saveFileName(QWidget*, const QString& title, const QString& filter,
                                       const QString& startName)
{
    saveTitles.append(title);
    saveFilters.append(filter);
    saveStartNames.append(startName);
    return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
}

void RecordingDialogs::popup(QMenu* menu, const QPoint&)
{
    popups.append(menu);
    popupVisibleItems.clear();
    if (!menu)
        return;
    for (QAction* action : menu->actions())
        if (action->isVisible() && !action->isSeparator())
            popupVisibleItems.append(action->text());
}

int RecordingDialogs::exec(QDialog& dialog)
{
    ++execCount;
    if (onExec)
        onExec(dialog);
    return dialog.result();
}

} // namespace veskor
