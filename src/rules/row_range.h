// A table's rows as a range a caller can walk with a range-for, without seeing the table itself.
#ifndef BASETDIC_RULES_ROW_RANGE_H
#define BASETDIC_RULES_ROW_RANGE_H

#include <stddef.h>

namespace basetdic {

template <class Row>
class RowRange {
 public:
  template <size_t N>
  constexpr explicit RowRange(const Row (&rows)[N]) : first_(rows), last_(rows + N) {}

  constexpr const Row* begin() const { return first_; }
  constexpr const Row* end() const { return last_; }
  constexpr size_t size() const { return static_cast<size_t>(last_ - first_); }

 private:
  const Row* first_;
  const Row* last_;
};

}  // namespace basetdic

#endif
