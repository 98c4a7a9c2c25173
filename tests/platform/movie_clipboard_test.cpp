// The desktop's clipboard keys in a movie's focused text field: what they
// copy, cut and paste, and that they win over the window's shortcuts on the
// same keys only while such a field holds the focus.

#include "platform/movie_clipboard.h"
#include "platform/player_widget.h"
#include "swf/format/actions.h"
#include "swf/format/movie_builder.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QTest>
#include <gtest/gtest.h>

namespace veskor {
namespace {

using swf::ActionCode;

struct Field {
    bool exists = true;
    bool input = true;
    bool password = false;
};

// A movie whose field "t" holds "hello world" with "hello" selected and the
// focus, and which traces the field's text at every key press.
std::unique_ptr<swf::Player> fieldMovie(Field field, std::vector<std::string>* traced)
{
    swf::ActionWriter w;
    auto t = [&] { w.pushString("t").op(ActionCode::GetVariable); };
    auto call = [&](const char* object, const char* method) {
        w.pushString(object).op(ActionCode::GetVariable).pushString(method).op(ActionCode::CallMethod);
        w.op(ActionCode::Pop);
    };
    if (field.exists) {
        w.pushInt(20).pushInt(200).pushInt(10).pushInt(10).pushInt(1).pushString("t").pushInt(6);
        call("_root", "createTextField");
        t();
        w.pushString("type").pushString(field.input ? "input" : "dynamic").op(ActionCode::SetMember);
        t();
        w.pushString("password").pushBool(field.password).op(ActionCode::SetMember);
        t();
        w.pushString("text").pushString("hello world").op(ActionCode::SetMember);
        t();
        w.pushInt(1);
        call("Selection", "setFocus");
        w.pushInt(5).pushInt(0).pushInt(2);
        call("Selection", "setSelection");
    }
    w.pushString("l").pushInt(0).pushString("Object").op(ActionCode::NewObject).op(ActionCode::SetVariable);
    w.pushString("l").op(ActionCode::GetVariable).pushString("onKeyDown").beginFunction("", {});
    t();
    w.pushString("text").op(ActionCode::GetMember).op(ActionCode::Trace).endFunction().op(ActionCode::SetMember);
    w.pushString("l").op(ActionCode::GetVariable).pushInt(1);
    call("Key", "addListener");
    w.op(ActionCode::Stop);

    swf::MovieBuilder b(swf::Twips::fromPixels(240), swf::Twips::fromPixels(60), 12, 8);
    b.add(swf::DoAction{w.bytes()});
    b.showFrame();
    auto player = swf::Player::fromBytes(b.bytes());
    EXPECT_TRUE(player.ok());
    if (!player.ok())
        return nullptr;
    std::unique_ptr<swf::Player> movie = std::move(*player);
    movie->setTraceHandler([traced](const std::string& line) { traced->push_back(line); });
    movie->advance();
    return movie;
}

QKeyEvent press(QKeySequence::StandardKey key)
{
    const QKeyCombination combination = QKeySequence(key)[0];
    return QKeyEvent(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
}

// What the field holds, as its key listener traces it.
std::string fieldText(swf::Player& movie, std::vector<std::string>& traced)
{
    movie.keyPress(27, 27);
    movie.keyRelease(27);
    return traced.empty() ? std::string("(nothing traced)") : traced.back();
}

// Besides Ctrl+C, X, V and A, the desktop's older keys: Shift+Delete cuts
// rather than deletes.
TEST(MovieClipboard, OlderKeysNameTheSameCommands)
{
    using Command = swf::Player::FieldCommand;
    EXPECT_EQ(fieldCommandOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Insert, Qt::ShiftModifier)), Command::Paste);
    EXPECT_EQ(fieldCommandOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier)), Command::Cut);
    EXPECT_EQ(fieldCommandOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier)), std::nullopt);
}

TEST(MovieClipboard, CopyCutAndPasteGoThroughTheDesktopClipboard)
{
    std::vector<std::string> traced;
    auto movie = fieldMovie({}, &traced);
    ASSERT_TRUE(movie);
    QClipboard& clipboard = *QGuiApplication::clipboard();
    clipboard.setText(QStringLiteral("before"));

    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Copy), clipboard));
    EXPECT_EQ(clipboard.text(), QStringLiteral("hello"));
    EXPECT_EQ(fieldText(*movie, traced), "hello world");

    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Cut), clipboard));
    EXPECT_EQ(clipboard.text(), QStringLiteral("hello"));
    EXPECT_EQ(fieldText(*movie, traced), " world");

    // The caret stands where the cut text was; a paste of text from
    // elsewhere on the desktop goes in there, line breaks and all dropped
    // from a field of one line.
    clipboard.setText(QStringLiteral("größer\nx"));
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Paste), clipboard));
    EXPECT_EQ(fieldText(*movie, traced), "größerx world");
    EXPECT_EQ(clipboard.text(), QStringLiteral("größer\nx"));

    // With nothing selected, Copy and Cut leave the desktop's clipboard alone.
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Copy), clipboard));
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Cut), clipboard));
    EXPECT_EQ(clipboard.text(), QStringLiteral("größer\nx"));
    // Select All gives Copy the whole text; the clipboard is not touched by it.
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::SelectAll), clipboard));
    EXPECT_EQ(clipboard.text(), QStringLiteral("größer\nx"));
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Copy), clipboard));
    EXPECT_EQ(clipboard.text(), QStringLiteral("größerx world"));
}

TEST(MovieClipboard, PasswordFieldsGiveNothingToTheDesktop)
{
    std::vector<std::string> traced;
    auto movie = fieldMovie({.password = true}, &traced);
    ASSERT_TRUE(movie);
    QClipboard& clipboard = *QGuiApplication::clipboard();
    clipboard.setText(QStringLiteral("mine"));
    // The keys are still the field's, so no window shortcut runs, but the
    // clipboard keeps its text and the field keeps its own.
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Copy), clipboard));
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Cut), clipboard));
    EXPECT_EQ(clipboard.text(), QStringLiteral("mine"));
    EXPECT_EQ(fieldText(*movie, traced), "hello world");
    // Pasting into one works as typing does.
    EXPECT_TRUE(runFieldKey(*movie, press(QKeySequence::Paste), clipboard));
    EXPECT_EQ(fieldText(*movie, traced), "mine world");
}

TEST(MovieClipboard, OnlyAFocusedFieldTakesTheKeysItCanUse)
{
    QClipboard& clipboard = *QGuiApplication::clipboard();
    std::vector<std::string> traced;
    // A field that shows text can give it, but takes nothing in.
    auto shown = fieldMovie({.input = false}, &traced);
    ASSERT_TRUE(shown);
    clipboard.setText(QStringLiteral("pasted"));
    EXPECT_TRUE(movieTakesFieldKey(*shown, press(QKeySequence::Copy)));
    EXPECT_TRUE(movieTakesFieldKey(*shown, press(QKeySequence::SelectAll)));
    EXPECT_FALSE(movieTakesFieldKey(*shown, press(QKeySequence::Cut)));
    EXPECT_FALSE(movieTakesFieldKey(*shown, press(QKeySequence::Paste)));
    EXPECT_FALSE(runFieldKey(*shown, press(QKeySequence::Paste), clipboard));
    EXPECT_FALSE(runFieldKey(*shown, press(QKeySequence::Cut), clipboard));
    EXPECT_EQ(fieldText(*shown, traced), "hello world");
    EXPECT_TRUE(runFieldKey(*shown, press(QKeySequence::Copy), clipboard));
    EXPECT_EQ(clipboard.text(), QStringLiteral("hello"));

    // Without a focused field the keys are not the movie's at all.
    auto none = fieldMovie({.exists = false}, &traced);
    ASSERT_TRUE(none);
    for (auto key : {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste}) {
        EXPECT_FALSE(movieTakesFieldKey(*none, press(key)));
        EXPECT_FALSE(runFieldKey(*none, press(key), clipboard));
    }
}

// In a window whose menu has a shortcut on Copy's keys, the keys reach the
// movie's focused field, and the shortcut again once no field has the focus.
TEST(MovieClipboard, AFocusedFieldWinsOverTheWindowsShortcut)
{
    std::vector<std::string> traced;
    QMainWindow window;
    auto* view = new PlayerWidget;
    window.setCentralWidget(view);
    int shortcutRuns = 0;
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence::Copy);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, [&] { ++shortcutRuns; });
    window.addAction(action);
    view->setPlayer(fieldMovie({}, &traced));
    window.resize(300, 100);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    view->setFocus();

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(shortcutRuns, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("hello"));
    // The movie heard the key as well.
    EXPECT_FALSE(traced.empty());

    view->setPlayer(fieldMovie({.exists = false}, &traced));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(shortcutRuns, 1);
}

} // namespace
} // namespace veskor
