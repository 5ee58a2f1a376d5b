#pragma once

#include <QStringView>
#include <array>
#include <cstddef>
#include <memory>
#include <vector>

// Rows of a fixed number of texts, kept as UTF-16 in a few large blocks instead of one string a text:
// a list of a million questions then costs its characters and a small entry a row, not five string
// headers and five allocations a row. Blocks never move, so a row's texts stay where they were
// written; a rewritten row reuses its place when its texts fit there.
class RowTexts final {
public:
    static constexpr int CellCount = 5;
    using Cells = std::array<QStringView, CellCount>;

    RowTexts() = default;
    RowTexts(const RowTexts&) = delete;
    RowTexts& operator=(const RowTexts&) = delete;

    std::size_t size() const { return rows_.size(); }
    QStringView cell(std::size_t row, int column) const;

    void append(const Cells& cells);
    void replace(std::size_t row, const Cells& cells);
    void remove(std::size_t row);

private:
    struct Row {
        char16_t* start = nullptr;
        std::array<quint32, CellCount> lengths{};
    };

    // Room for `length` characters that stays where it is; in the current block while it has room.
    char16_t* allocate(std::size_t length);
    static Row write(char16_t* at, const Cells& cells);
    static std::size_t lengthOf(const Cells& cells);
    static std::size_t lengthOf(const Row& row);

    std::vector<Row> rows_;
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    char16_t* free_ = nullptr;
    std::size_t freeLength_ = 0;
};
