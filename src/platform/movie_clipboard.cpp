#include "platform/movie_clipboard.h"

#include <QClipboard>
#include <QKeyEvent>

namespace veskor {

std::optional<swf::Player::FieldCommand> fieldCommandOf(const QKeyEvent& event)
{
    using Command = swf::Player::FieldCommand;
    if (event.matches(QKeySequence::SelectAll))
        return Command::SelectAll;
    if (event.matches(QKeySequence::Copy))
        return Command::Copy;
    if (event.matches(QKeySequence::Cut))
        return Command::Cut;
    if (event.matches(QKeySequence::Paste))
        return Command::Paste;
    return std::nullopt;
}

bool movieTakesFieldKey(const swf::Player& player, const QKeyEvent& event)
{
    const auto command = fieldCommandOf(event);
    return command && player.takesFieldCommand(*command);
}

bool runFieldKey(swf::Player& player, const QKeyEvent& event, QClipboard& clipboard)
{
    const auto command = fieldCommandOf(event);
    if (!command || !player.takesFieldCommand(*command))
        return false;
    const QString taken = player.fieldCommand(*command, clipboard.text());
    if (!taken.isEmpty())
        clipboard.setText(taken);
    return true;
}

} // namespace veskor
