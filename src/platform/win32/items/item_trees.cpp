// Tree-view nodes by text or path, with their check boxes.
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "base/text_scan.h"
#include "platform/win32/items/control_buffer.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/items/remote_structs.h"

namespace zelk::win::items {
namespace {

using namespace os::item_kind;

constexpr int kNodeChars = 256;
// A node is the target's pointer; it travels in the messages' parameters.
using Node = std::uint64_t;

struct NodeFacts {
  std::u16string text;
  std::uint32_t state = 0;
  int children = 0;
  // -1 without a check box, else 0 unchecked, 1 checked (2 and up: other marks).
  int Check() const { return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12) - 1; }
};

class Tree {
 public:
  Tree(HWND tree) : tree_(tree), buffer_(tree) {}
  bool valid() const { return buffer_.valid(); }
  HWND handle() const { return tree_; }

  Node Next(Node node, UINT how) const {
    return static_cast<Node>(
        static_cast<std::uintptr_t>(Ask(tree_, TVM_GETNEXTITEM, how, static_cast<LPARAM>(node))));
  }
  bool Read(Node node, NodeFacts* facts) {
    return buffer_.target64() ? ReadAs<std::uint64_t>(node, facts)
                              : ReadAs<std::uint32_t>(node, facts);
  }
  void SetCheck(Node node, int check) {
    if (buffer_.target64()) {
      SetCheckAs<std::uint64_t>(node, check);
    } else {
      SetCheckAs<std::uint32_t>(node, check);
    }
  }
  // The node's text rectangle in client coordinates, scrolled into view.
  bool TextRect(Node node, RECT* rect) {
    Ask(tree_, TVM_ENSUREVISIBLE, 0, static_cast<LPARAM>(node));
    // The rectangle's first bytes carry the node in and the rectangle out.
    RECT zero{};
    const bool put =
        buffer_.Put(zero) && (buffer_.target64() ? buffer_.Put(static_cast<std::uint64_t>(node))
                                                 : buffer_.Put(static_cast<std::uint32_t>(node)));
    return put && Ask(tree_, TVM_GETITEMRECT, TRUE, buffer_.Address()) && buffer_.Get(rect);
  }

 private:
  template <typename P>
  bool ReadAs(Node node, NodeFacts* facts) {
    RemoteTvItem<P> item{};
    item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_STATE | TVIF_HANDLE;
    item.item = static_cast<P>(node);
    item.stateMask = TVIS_STATEIMAGEMASK | TVIS_EXPANDED;
    item.text = static_cast<P>(buffer_.TextAddress());
    item.textMax = kNodeChars;
    if (!buffer_.Put(item) || !buffer_.ClearText()) return false;
    if (!Ask(tree_, TVM_GETITEMW, 0, buffer_.Address()) || !buffer_.Get(&item)) return false;
    facts->text = Trim(buffer_.Text(kNodeChars));
    facts->state = item.state;
    facts->children = item.children;
    return true;
  }
  template <typename P>
  void SetCheckAs(Node node, int check) {
    RemoteTvItem<P> item{};
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.item = static_cast<P>(node);
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.state = static_cast<std::uint32_t>(INDEXTOSTATEIMAGEMASK(check + 1));
    if (buffer_.Put(item)) Ask(tree_, TVM_SETITEMW, 0, buffer_.Address());
  }

  HWND tree_;
  ControlBuffer buffer_;
};

class TreeSearch {
 public:
  TreeSearch(Search& search, Tree& tree) : search_(search), tree_(tree) {}

  // The node the request names, 0 when none.
  Node Find() {
    const os::ItemQuery& q = search_.query;
    const Node root = tree_.Next(0, TVGN_ROOT);
    if (!q.isPath) {
      return q.fromRoot ? AmongSiblings(root, q.name, true) : DepthFirst(root, q.name, true, 0);
    }
    if (q.path.empty()) return 0;
    const bool single = q.path.size() == 1;
    Node node = q.fromRoot ? AmongSiblings(root, q.path[0], single) : 0;
    if (!node) node = DepthFirst(root, q.path[0], single, 0);
    for (std::size_t part = 1; node && part < q.path.size(); ++part) {
      // The way down is opened and walked as a user would.
      Ask(tree_.handle(), TVM_EXPAND, TVE_EXPAND, static_cast<LPARAM>(node));
      Ask(tree_.handle(), TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(node));
      node = AmongSiblings(tree_.Next(node, TVGN_CHILD), q.path[part], part + 1 == q.path.size());
    }
    return node;
  }

  const NodeFacts& facts() const { return facts_; }

 private:
  // counted: the n-th match is wanted, not the first.
  bool Hit(Node node, const os::ItemNameMatch& name, bool counted) {
    if (!tree_.Read(node, &facts_) || !name || !name(facts_.text, false)) return false;
    return !counted || search_.Counts();
  }
  Node AmongSiblings(Node first, const os::ItemNameMatch& name, bool counted) {
    for (Node node = first; node && !search_.Stopped(); node = tree_.Next(node, TVGN_NEXT)) {
      if (Hit(node, name, counted)) return node;
    }
    return 0;
  }
  // Display order: a node, then its children, then its next sibling.
  Node DepthFirst(Node first, const os::ItemNameMatch& name, bool counted, int depth) {
    if (depth > 1000) return 0;
    for (Node node = first; node && !search_.Stopped(); node = tree_.Next(node, TVGN_NEXT)) {
      if (Hit(node, name, counted)) return node;
      if (const Node child = tree_.Next(node, TVGN_CHILD)) {
        if (const Node found = DepthFirst(child, name, counted, depth + 1)) return found;
      }
    }
    return 0;
  }

  Search& search_;
  Tree& tree_;
  NodeFacts facts_;
};

void Select(Tree& tree, Node node) {
  Ask(tree.handle(), TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(node));
  Pause(100);
  Passes(20);
}

void Act(Search& search, Tree& tree, Node node, const NodeFacts& facts) {
  ActivateUnlessBack(search);
  Select(tree, node);
  if (!(facts.state & TVIS_EXPANDED)) {
    KeyToControl(search, tree.handle(), VK_ADD);
    Select(tree, node);
  }
  if (search.Has(kMouseMove | kClickOptions)) {
    RECT r{};
    if (tree.TextRect(node, &r)) {
      if (search.Has(kMouseMove)) CursorTo(tree.handle(), r.left + 4, r.top + 4);
      if (search.ClickOption()) {
        PostClick(search.query.kinds, tree.handle(), r.left + 2, r.top + 2);
        return;
      }
    }
  }
  const int check = facts.Check();
  const int wanted = search.query.check != 0 ? 1 : 0;
  if (check < 0 || (check > 0 ? 1 : 0) == wanted) return;
  KeyToControl(search, tree.handle(), VK_SPACE);
  // A tree that does not take the space key for its check box gets the state set.
  NodeFacts now;
  if (tree.Read(node, &now) && now.Check() == check) tree.SetCheck(node, wanted);
}

}  // namespace

bool SearchTrees(Search& search) {
  for (HWND handle : ChildControls(search, kTreeView)) {
    if (search.Stopped()) return false;
    Tree tree(handle);
    if (!tree.valid()) continue;
    TreeSearch finder(search, tree);
    const Node node = finder.Find();
    if (!node) continue;
    const NodeFacts facts = finder.facts();
    const int check = facts.Check();
    if (!search.CheckOnly()) Act(search, tree, node, facts);
    search.Found(kTreeView, check > 0 ? 1 : 0);
    return true;
  }
  return false;
}

}  // namespace zelk::win::items
