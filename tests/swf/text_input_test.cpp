// Typing into a field: what its restrict lets in (ranges, "^" switching to
// characters kept out, escapes, ASCII letters taking their other case), and
// typing over the selection within maxChars.

#include "swf/text/text_input.h"

#include <gtest/gtest.h>

namespace swf::text {
namespace {

std::u32string typedThrough(const std::u32string& restrict, const std::u32string& typed)
{
    std::u32string out;
    for (char32_t c : typed) {
        if (auto kept = restrictCharacter(restrict, c))
            out.push_back(*kept);
    }
    return out;
}

TEST(TextInput, RestrictLetsInWhatItNames)
{
    const std::u32string typed = U"abcABC012^\\-* &\u0105\u03b4";
    const struct {
        std::u32string restrict;
        std::u32string kept;
    } cases[] = {
        {U"a-z", U"abcabc"},
        {U"aB*", U"aBaB*"},            // the other case of an ASCII letter
        {U"-b", U"abCABC012^\\-* &"},  // a range from the first character
        {U"b-a", U"bb"},               // a range backwards is its first character only
        {U"a-b-A", U"abAb012-* &"},    // after a range, a dash starts from the first again
        {U"-----", U""},
        {U"^", typed},
        {U"^a\u0105", U"AbcABC012^\\-* &\u03b4"}, // no other case outside ASCII
        {U"a^b^c", U"acac"},
        {U"\\^-\\\\", U"^"},
        {U"a\\-z", U"aa-"},
        {U"a\\", U"aa"},
        {U"\u03b1-\u03c9", U"\u03b4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(typedThrough(c.restrict, typed), c.kept) << std::string(c.restrict.begin(), c.restrict.end());
}

TEST(TextInput, TypingReplacesTheSelectionWithinMaxChars)
{
    TextFieldState field = newTextField(100, 20);
    field.setText("hello");
    field.maxChars = 6;
    field.selectionBegin = 1;
    field.selectionEnd = 4;
    EXPECT_TRUE(typeText(field, U"abcdef"));
    EXPECT_EQ(field.textString(), "habcdo");
    EXPECT_EQ(field.selectionBegin, 5u);
    EXPECT_EQ(field.selectionEnd, 5u);
    EXPECT_FALSE(typeText(field, U"x"));
    field.restrict = "0-9";
    field.maxChars = 0;
    EXPECT_FALSE(typeText(field, U"x"));
    EXPECT_TRUE(typeText(field, U"x7"));
    EXPECT_EQ(field.textString(), "habcd7o");
}

} // namespace
} // namespace swf::text
