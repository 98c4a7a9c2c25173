// Real courseware: teaching simulations built on the user-interface component
// sets, each with the picture a peer player drew after the first frame and ten
// more. The peer is not the original player (its fonts differ, it has faults
// of its own), so the comparison is coarse: both pictures are softened with a
// 5x5 box blur, a pixel agrees when no channel differs by more than 24, and a
// movie matches when 98% of its pixels agree. The movies that match are listed
// beside this test (realworld.matching): none of them may stop matching.
//
// VESKOR_CORPUS_OUT=folder writes each rendered picture there for a look.

#include "support/ratchet.h"
#include "swf/player.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

namespace swf {
namespace {

const QString kCorpus = QStringLiteral("../shared/testdata/realworld");

// Each channel the mean of the 5x5 square around the pixel (clipped at the edges).
std::vector<int> softened(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    // Summed-area table per channel.
    std::vector<long long> sums(std::size_t(w + 1) * std::size_t(h + 1) * 3, 0);
    auto at = [&](int x, int y, int c) -> long long& { return sums[(std::size_t(y) * std::size_t(w + 1) + std::size_t(x)) * 3 + std::size_t(c)]; };
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const int value[3] = {qRed(row[x]), qGreen(row[x]), qBlue(row[x])};
            for (int c = 0; c < 3; ++c)
                at(x + 1, y + 1, c) = value[c] + at(x, y + 1, c) + at(x + 1, y, c) - at(x, y, c);
        }
    }
    std::vector<int> out(std::size_t(w) * std::size_t(h) * 3);
    for (int y = 0; y < h; ++y) {
        const int y0 = std::max(0, y - 2), y1 = std::min(h, y + 3);
        for (int x = 0; x < w; ++x) {
            const int x0 = std::max(0, x - 2), x1 = std::min(w, x + 3);
            const long long area = (long long)(x1 - x0) * (y1 - y0);
            for (int c = 0; c < 3; ++c) {
                const long long sum = at(x1, y1, c) - at(x0, y1, c) - at(x1, y0, c) + at(x0, y0, c);
                out[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3 + std::size_t(c)] = int(sum / area);
            }
        }
    }
    return out;
}

double agreement(const QImage& rendered, const QImage& reference)
{
    if (rendered.size() != reference.size() || rendered.isNull())
        return 0;
    const std::vector<int> a = softened(rendered), b = softened(reference);
    long long agree = 0;
    for (std::size_t i = 0; i < a.size(); i += 3) {
        if (std::abs(a[i] - b[i]) <= 24 && std::abs(a[i + 1] - b[i + 1]) <= 24 && std::abs(a[i + 2] - b[i + 2]) <= 24)
            ++agree;
    }
    return a.empty() ? 0 : double(agree) / double(a.size() / 3);
}

TEST(RealWorldCorpus, CoursewareLooksAsThePeerPlayerShowsIt)
{
    const QDir dir(kCorpus);
    const QStringList movies = dir.entryList({"*.swf"}, QDir::Files, QDir::Name);
    if (movies.isEmpty())
        GTEST_SKIP() << "no courseware at " << kCorpus.toStdString();
    const QString outDir = qEnvironmentVariable("VESKOR_CORPUS_OUT");
    std::set<std::string> matching;
    int total = 0;
    std::vector<double> shares;
    std::set<std::string> ran;
    for (qsizetype index = 0; index < movies.size(); ++index) {
        const QString& name = movies[index];
        if (!veskor::test::sampled(std::size_t(index)))
            continue;
        ran.insert(name.toStdString());
        const QString referencePath = dir.filePath(name + ".peer.png");
        if (!QFile::exists(referencePath))
            continue;
        ++total;
        double share = 0;
        auto player = Player::fromFile(dir.filePath(name).toStdString());
        if (player.ok()) {
            for (int i = 0; i < 10; ++i)
                (*player)->advance();
            const QImage rendered = (*player)->renderImage();
            if (!outDir.isEmpty())
                rendered.save(QDir(outDir).filePath(name + ".png"));
            share = agreement(rendered, QImage(referencePath));
        }
        shares.push_back(share);
        const bool match = share >= 0.98;
        if (match)
            matching.insert(name.toStdString());
        std::printf("%s %-56s %6.2f%%%s\n", match ? "PASS" : "FAIL", qPrintable(name), share * 100,
                    player.ok() ? "" : " load failed");
    }
    std::sort(shares.begin(), shares.end());
    std::printf("\n%d movies: %zu match; median agreement %.2f%%\n", total, matching.size(),
                shares.empty() ? 0.0 : shares[shares.size() / 2] * 100);
    EXPECT_TRUE(veskor::test::checkRatchet("tests/swf/realworld.matching", matching, "matching",
                                           veskor::test::sampling() ? &ran : nullptr).lost.empty());
}

} // namespace
} // namespace swf
