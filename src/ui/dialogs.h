#pragma once

// Everything the windows show modally goes through here: message boxes, the open and
// save dialogs, pop-up menus and the program's own modal dialogs. The program uses
// QtDialogs; tests put RecordingDialogs in its place and answer without a modal loop.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QMenu;
class QWidget;

namespace veskor {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box with a fixed text, the given caption and an OK button.
    virtual void message(QWidget* owner, const QString& text, const QString& caption) = 0;
    // OK and Cancel, OK the default; true for OK.
    virtual bool confirm(QWidget* owner, const QString& text, const QString& caption) = 0;
    // A question before something that cannot be undone: OK and Cancel, Cancel the
    // default, so a hasty Enter keeps everything; true for OK.
    virtual bool confirmCautiously(QWidget* owner, const QString& text, const QString& caption) = 0;
    // The chosen file's path, or an empty text when the user cancelled. The filter is
    // in Qt's form ("flash文件 (*.swf)"; entries separated by ";;").
    virtual QString openFileName(QWidget* owner, const QString& title, const QString& filter,
                                 const QString& startName) = 0;
    virtual QString saveFileName(QWidget* owner, const QString& title, const QString& filter,
                                 const QString& startName) = 0;
    // Shows a pop-up menu at a global position; the chosen action triggers as usual.
    virtual void popup(QMenu* menu, const QPoint& globalPos) = 0;
    // Runs a dialog modally and returns its result code.
    virtual int exec(QDialog& dialog) = 0;
};

class QtDialogs : public Dialogs {
public:
    void message(QWidget* owner, const QString& text, const QString& caption) override;
    bool confirm(QWidget* owner, const QString& text, const QString& caption) override;
    bool confirmCautiously(QWidget* owner, const QString& text, const QString& caption) override;
    QString openFileName(QWidget* owner, const QString& title, const QString& filter,
                                 const QString& startName) override;
    QString saveFileName(QWidget* owner, const QString& title, const QString& filter,
                         const QString& startName) override;
    void popup(QMenu* menu, const QPoint& globalPos) override;
    int exec(QDialog& dialog) override;
};

// Records what would have been shown and answers from prepared values.
class RecordingDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        QString caption;
    };

    QList<Message> messages;
    QList<QString> confirmations;
    QList<QString> cautiousConfirmations;  // answered with confirmAnswer too
    bool confirmAnswer = true;
    QStringList openAnswers;      // taken from the front, one per open dialog; empty: cancel
    QStringList saveAnswers;      // likewise for save dialogs
    QStringList openTitles, openFilters, saveTitles, saveFilters, saveStartNames, openStartNames;
    QList<QMenu*> popups;
    QStringList popupVisibleItems;  // captions of the visible items of the last pop-up
    std::function<void(QDialog&)> onExec;  // runs while the "modal" dialog is up
    int execCount = 0;

    void message(QWidget* owner, const QString& text, const QString& caption) override;
    bool confirm(QWidget* owner, const QString& text, const QString& caption) override;
    bool confirmCautiously(QWidget* owner, const QString& text, const QString& caption) override;
    QString openFileName(QWidget* owner, const QString& title, const QString& filter,
                                 const QString& startName) override;
    QString saveFileName(QWidget* owner, const QString& title, const QString& filter,
                         const QString& startName) override;
    void popup(QMenu* menu, const QPoint& globalPos) override;
    int exec(QDialog& dialog) override;
};

} // namespace veskor
