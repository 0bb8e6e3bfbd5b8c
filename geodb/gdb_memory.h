// Large tables of the database (records, index blocks, query grids): allocated so that filling
// them takes few page faults.
#pragma once
#include <algorithm>
#include <cstddef>
#include <iterator>

namespace tyx::gdb {

/// Asks the system to back a large table just allocated, and not yet written, with huge pages:
/// filling a table of a million records takes tens of thousands of page faults otherwise. Only a
/// hint; nothing happens where it is not supported.
void AdviseHugePages(const void* Data, std::size_t Bytes);

/// Sizes V to N elements, advising huge pages first when that is a new allocation.
template <typename V>
void ResizeLargeTable(V& Table, std::size_t N)
{
    if (N > Table.capacity()) {
        Table.reserve(N);
        AdviseHugePages(Table.data(), N * sizeof(*Table.data()));
    }
    Table.resize(N);
}

/// Makes room for one more element of a table that grows one at a time: doubles it as a vector
/// does, into a new allocation advised for huge pages before it is filled.
template <typename V>
void ReserveOneMore(V& Table)
{
    if (Table.size() < Table.capacity()) return;
    V larger;
    larger.reserve(std::max<std::size_t>(2 * Table.capacity(), 16));
    AdviseHugePages(larger.data(), larger.capacity() * sizeof(*larger.data()));
    larger.assign(std::make_move_iterator(Table.begin()), std::make_move_iterator(Table.end()));
    Table.swap(larger);
}

} // namespace tyx::gdb
