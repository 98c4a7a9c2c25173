// The reference corpus: every movie of the shared test data that has a picture of
// what the original player showed is rendered the same way (first frame plus ten
// frames of play, stage size) and compared with it.
//
// A movie passes when at least 99% of its pixels are within 16 of the reference in
// every channel (antialiased edges differ); an exact pass has every pixel within 3.
// The movies that pass, and those that pass exactly, are listed beside this test
// (image_corpus.passing, image_corpus.exact): none of them may fail.
//
// VESKOR_CORPUS_OUT=folder writes each rendered picture there for a look.

#include "support/ratchet.h"
#include "swf/format/reader.h"
#include "swf/player.h"

#include <QDir>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <set>
#include <gtest/gtest.h>

namespace swf {
namespace {

const QString kCorpus = QStringLiteral("../shared/testdata/swf-image");

bool hasScript(const std::vector<Tag>& tags)
{
    for (const Tag& tag : tags) {
        if (std::holds_alternative<DoAction>(tag) || std::holds_alternative<DoInitAction>(tag))
            return true;
        if (const auto* place = std::get_if<PlaceObject>(&tag); place && !place->clipActions.empty())
            return true;
        if (const auto* button = std::get_if<DefineButton>(&tag);
            button && (!button->actions.empty() || !button->condActions.empty()))
            return true;
        if (const auto* sprite = std::get_if<DefineSprite>(&tag); sprite && hasScript(sprite->tags))
            return true;
    }
    return false;
}

struct Comparison {
    double within16 = 0; // share of pixels within 16 in every channel
    bool exact = false;  // every pixel within 3
};

Comparison compare(const QImage& renderedImage, const QImage& referenceImage)
{
    if (renderedImage.size() != referenceImage.size())
        return {};
    const QImage a = renderedImage.convertToFormat(QImage::Format_ARGB32);
    const QImage b = referenceImage.convertToFormat(QImage::Format_ARGB32);
    long long close = 0;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = rowA[x];
            const QRgb q = rowB[x];
            const int diff = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            worst = std::max(worst, diff);
            if (diff <= 16)
                ++close;
        }
    }
    const double pixels = double(a.width()) * a.height();
    return {pixels > 0 ? close / pixels : 0, worst <= 3};
}

TEST(ImageCorpusTest, RendersReferenceMoviesAsTheOriginalPlayerDid)
{
    const QDir dir(kCorpus);
    const QStringList movies = dir.entryList({"*.swf"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(movies.isEmpty()) << "no corpus at " << kCorpus.toStdString();
    const QString outDir = qEnvironmentVariable("VESKOR_CORPUS_OUT");

    int total = 0, passes = 0, exact = 0, scriptFree = 0, scriptFreePasses = 0;
    QStringList scriptFreeFailures;
    std::set<std::string> passing, exactly;
    std::set<std::string> ran;
    for (qsizetype index = 0; index < movies.size(); ++index) {
        const QString& name = movies[index];
        if (!veskor::test::sampled(std::size_t(index)))
            continue;
        ran.insert(name.toStdString());
        const QString referencePath = dir.filePath(name + ".png");
        if (!QFile::exists(referencePath))
            continue;
        ++total;
        const std::filesystem::path path = dir.filePath(name).toStdString();
        auto records = readMovie(path);
        const bool script = !records.ok() || hasScript(records->tags);
        scriptFree += script ? 0 : 1;

        Comparison result;
        QString note;
        auto player = Player::fromFile(path);
        if (player.ok()) {
            for (int i = 0; i < 10; ++i)
                (*player)->advance();
            const QImage rendered = (*player)->renderImage();
            if (!outDir.isEmpty())
                rendered.save(QDir(outDir).filePath(name + ".png"));
            const QImage reference(referencePath);
            if (rendered.size() != reference.size())
                note = QStringLiteral(" size %1x%2 vs %3x%4")
                           .arg(rendered.width()).arg(rendered.height())
                           .arg(reference.width()).arg(reference.height());
            result = compare(rendered, reference);
        } else {
            note = QString::fromStdString(" load failed: " + player.error().message);
        }
        const bool pass = result.within16 >= 0.99;
        passes += pass ? 1 : 0;
        exact += result.exact ? 1 : 0;
        if (pass)
            passing.insert(name.toStdString());
        if (result.exact)
            exactly.insert(name.toStdString());
        if (pass && !script)
            ++scriptFreePasses;
        if (!pass && !script)
            scriptFreeFailures << name;
        std::printf("%s %-48s %6.2f%%%s%s%s\n", pass ? "PASS" : "FAIL", qPrintable(name), result.within16 * 100,
                    result.exact ? " exact" : "", script ? " [script]" : "", qPrintable(note));
    }
    std::printf("\n%d movies: %d pass, %d exact; without scripts: %d of %d pass\n", total, passes, exact,
                scriptFreePasses, scriptFree);
    if (!scriptFreeFailures.isEmpty())
        std::printf("script-free failures: %s\n", qPrintable(scriptFreeFailures.join(' ')));
    const std::set<std::string>* sample = veskor::test::sampling() ? &ran : nullptr;
    EXPECT_TRUE(veskor::test::checkRatchet("tests/swf/image_corpus.passing", passing, "passing", sample).lost.empty());
    EXPECT_TRUE(veskor::test::checkRatchet("tests/swf/image_corpus.exact", exactly, "exact", sample).lost.empty());
}

} // namespace
} // namespace swf
