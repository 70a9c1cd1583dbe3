#pragma once

#include <array>
#include <cstddef>

namespace mirvel {

// The exercise's matrix: 3 rows of 6 numbers, rows and columns numbered from 1.
class Matrix {
public:
    static constexpr int kRows = 3;
    static constexpr int kColumns = 6;
    static constexpr int kCells = kRows * kColumns;

    double& operator()(int row, int column) { return cells_[Index(row, column)]; }
    double operator()(int row, int column) const { return cells_[Index(row, column)]; }

    friend bool operator==(const Matrix&, const Matrix&) = default;

private:
    static constexpr std::size_t Index(int row, int column) {
        return static_cast<std::size_t>((row - 1) * kColumns + (column - 1));
    }

    std::array<double, kCells> cells_{};
};

}  // namespace mirvel
