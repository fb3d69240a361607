// ChunkedText: a text that only grows, kept in blocks of a fixed size.
// What is stored never moves: a long text grows without a second copy of
// itself (a string that doubles holds the old and the new buffer at once,
// and up to twice what it needs), at most one block's room is unused, and
// a view of an appended piece stays valid until the text is cleared.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

class ChunkedText {
public:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    // Appends the pieces as one run of bytes that never straddles two
    // blocks (a run longer than a block gets a block of its own size), and
    // returns a view of the stored copy.
    std::string_view Append(std::initializer_list<std::string_view> pieces);
    std::string_view Append(std::string_view text) { return Append({text}); }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // The blocks in order; together they are the text.
    const std::vector<std::string>& Blocks() const { return m_blocks; }
    // The whole text in one string.
    std::string str() const;
    // Forgets the text and gives its blocks back.
    void clear();

private:
    std::vector<std::string> m_blocks;
    std::size_t m_size = 0;
};

}  // namespace engine
