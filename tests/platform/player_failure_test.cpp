// A movie that fails while it plays (the machine has no memory left for it)
// stops playing in the program's player and shows a note saying so, on its
// background, instead of taking the program down.

#include "platform/native_path.h"
#include "platform/swf_player_component.h"
#include "support/failing_allocations.h"
#include "swf/format/actions.h"
#include "swf/format/movie_builder.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace veskor {
namespace {

TEST(PlayerFailureTest, AFailingMovieStopsAndShowsANoteOnItsBackground)
{
    // Frame two makes a 4 MiB string, more than the failing allocator allows.
    swf::ActionWriter grow;
    grow.pushString("s").pushString("abcdefgh").op(swf::ActionCode::SetVariable);
    for (int i = 0; i < 19; ++i) {
        grow.pushString("s").pushString("s").op(swf::ActionCode::GetVariable).pushString("s");
        grow.op(swf::ActionCode::GetVariable).op(swf::ActionCode::Add2).op(swf::ActionCode::SetVariable);
    }
    swf::MovieBuilder b(swf::Twips::fromPixels(80), swf::Twips::fromPixels(80), 30, 8);
    b.setBackground({0, 255, 0});
    b.showFrame();
    b.add(swf::DoAction{grow.bytes()});
    b.showFrame();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grows.swf"));
    ASSERT_TRUE(b.save(fsFromPath(path)).ok());

    QWidget window;
    std::unique_ptr<PlayerComponent> player = createSwfPlayer(&window);
    ASSERT_TRUE(player->setMovie(path).ok());
    QWidget* view = player->widget();
    view->resize(200, 200);
    {
        testing::FailingAllocations failing(1u << 20);
        QTest::qWait(200);
    }
    EXPECT_FALSE(player->Playing());
    // Play does not start it again.
    (void)player->Play();
    EXPECT_FALSE(player->Playing());
    const QImage shown = view->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 0x00FF00u);  // the background
    EXPECT_NE(shown.pixel(100, 100) & 0xFFFFFF, 0x00FF00u); // the note over it
}

} // namespace
} // namespace veskor
