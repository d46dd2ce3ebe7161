#include "cli/operations.h"

#include <algorithm>
#include <iterator>

namespace host {

const OperationRow& RowOf(Operation operation) {
  return *std::find_if(std::begin(kOperations), std::end(kOperations),
                       [operation](const OperationRow& row) { return row.operation == operation; });
}

const char* OperationName(Operation operation) { return RowOf(operation).word; }

std::string CallName(Operation operation) {
  const OperationRow& row = RowOf(operation);
  return std::string(row.member) + row.arguments + " (slot " + std::to_string(row.slot) + ")";
}

std::vector<Operation> OperationsInCycleOrder() {
  std::vector<Operation> operations(std::begin(kCycle), std::end(kCycle));
  for (const OperationRow& row : kOperations) {
    if (std::find(operations.begin(), operations.end(), row.operation) == operations.end()) {
      operations.push_back(row.operation);
    }
  }
  return operations;
}

}  // namespace host
