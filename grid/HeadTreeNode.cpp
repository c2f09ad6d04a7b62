#include "HeadTreeNode.h"

std::unique_ptr<THeadTreeNode> THeadTreeNode::build(const QVector<LeafSpec>& leaves)
{
    auto root = std::make_unique<THeadTreeNode>();
    root->leaves_.reserve(leaves.size());
    for (const LeafSpec& look : leaves) {
        THeadTreeNode& leaf = root->leaves_.emplace_back();
        leaf.Text = look.caption;
        leaf.textFont = look.font;
        leaf.Width = look.width;
        leaf.WIndent = look.wIndent;
    }
    return root;
}
