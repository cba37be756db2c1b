// The bytes a terminal sends for a key, read as the key.
#include "cli/terminal_keys.h"

#include <gtest/gtest.h>

namespace vx42::cli {
namespace {

TEST(TerminalKeys, BytesOfOneKeyPress) {
    using K = KeyPress;
    const struct {
        const char* bytes;
        std::optional<KeyPress> key;
    } rows[] = {
        {"\x1b[A", K{K::Up}},      {"\x1b[1;2B", K{K::Down, true}},
        {"\x1b[5~", K{K::PageUp}}, {"\x1b[6;2~", K{K::PageDown, true}},
        {"\x1b[C", K{K::Other}},   {"\r", K{K::Enter}},
        {"\n", K{K::Enter}},       {"b", K{K::Char, false, 'b'}},
        {"\x1bq", K{K::Escape}},   {"\x1b", std::nullopt},  // Escape alone, or a sequence to come
        {"\x1b[1;", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(DecodeKey(row.bytes), row.key) << row.bytes + 1;
}

}  // namespace
}  // namespace vx42::cli
