// The registry's in-memory tree, shared by the API functions, the direct-access functions and the
// service control manager.
#ifndef WINSIM_REGISTRY_TREE_H
#define WINSIM_REGISTRY_TREE_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winsim/registry.h"

namespace winsim::detail {

struct RegNode {
  std::string name;  // as created
  // Keyed by the upper-cased name, so that enumeration follows Windows' order.
  std::map<std::string, std::shared_ptr<RegNode>> children;
  std::vector<RegValue> values;
  RegNode* parent = nullptr;
  bool deleted = false;

  std::shared_ptr<RegNode> Child(const std::string& name) const;
  RegValue* FindValue(const std::string& valueName);
};

// The node of a predefined root (HKEY_LOCAL_MACHINE ...), or null.
std::shared_ptr<RegNode> RootNode(HKEY root);
// The root node named by a path's first component, and the rest of the path.
std::shared_ptr<RegNode> RootOfPath(const std::string& path, std::string* rest);

std::vector<std::string> SplitKeyPath(const std::string& path);
// Walks from a node along a relative path; null when a component is missing.
std::shared_ptr<RegNode> Walk(std::shared_ptr<RegNode> from, const std::string& relative);
// Walks, creating missing keys.
std::shared_ptr<RegNode> WalkCreating(std::shared_ptr<RegNode> from, const std::string& relative, bool* created);
// Detaches a node from its parent and marks it and its subtree deleted.
void DetachNode(const std::shared_ptr<RegNode>& node);

}  // namespace winsim::detail

#endif
