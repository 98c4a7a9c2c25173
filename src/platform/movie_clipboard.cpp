#include "platform/movie_clipboard.h"

#include <QClipboard>
#include <QKeyEvent>

namespace veskor {

std::optional<swf::Player::ClipboardCommand> clipboardCommandOf(const QKeyEvent& event)
{
    using Command = swf::Player::ClipboardCommand;
    if (event.matches(QKeySequence::Copy))
        return Command::Copy;
    if (event.matches(QKeySequence::Cut))
        return Command::Cut;
    if (event.matches(QKeySequence::Paste))
        return Command::Paste;
    return std::nullopt;
}

bool movieTakesClipboardKey(const swf::Player& player, const QKeyEvent& event)
{
    const auto command = clipboardCommandOf(event);
    return command && player.takesClipboardCommand(*command);
}

bool runClipboardKey(swf::Player& player, const QKeyEvent& event, QClipboard& clipboard)
{
    const auto command = clipboardCommandOf(event);
    if (!command || !player.takesClipboardCommand(*command))
        return false;
    if (*command == swf::Player::ClipboardCommand::Paste) {
        player.clipboardCommand(*command, clipboard.text());
    } else {
        const QString taken = player.clipboardCommand(*command);
        if (!taken.isEmpty())
            clipboard.setText(taken);
    }
    return true;
}

} // namespace veskor
