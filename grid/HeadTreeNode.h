#pragma once
#include <QFont>
#include <QString>
#include <QVector>
#include <memory>
#include <vector>

class TDBGridColumnEh;

// A node of the title tree: the root holds one leaf per column; a caption "Group|Name"
// puts the leaf under a heading node "Group" shared with the following columns of that
// group. Siblings form a ring through Next.
class THeadTreeNode {
public:
    static constexpr int kHeadingHeight = 20;

    QString Text;
    TDBGridColumnEh* Column = nullptr;  // leaves only
    QFont TextFont;
    int Width = 0;
    int Height = 0;
    int WIndent = 0;
    int VLineWidth = 1;
    THeadTreeNode* Host = nullptr;
    THeadTreeNode* Child = nullptr;
    THeadTreeNode* Next = nullptr;

    struct LeafSpec {
        TDBGridColumnEh* column;
        QString caption;
        QFont font;
        int width;    // -1 (with column lines) or 0 for a hidden column
        int wIndent;  // room for a sort marker
    };
    // Builds the tree for the columns in visual order, grouping "|" captions.
    static std::unique_ptr<THeadTreeNode> Build(const QVector<LeafSpec>& leaves);

    QVector<THeadTreeNode*> Children() const;
    // Leaves from left to right.
    QVector<const THeadTreeNode*> Leaves() const;
    // Heights of the heading nodes between this node and the root.
    int HeadingsAbove() const;
    bool IsLeaf() const { return Child == nullptr; }

private:
    THeadTreeNode* Own(std::unique_ptr<THeadTreeNode> node);
    void LinkChildren(const QVector<THeadTreeNode*>& children);
    void GroupChildren();
    void CollectLeaves(QVector<const THeadTreeNode*>& out) const;

    std::vector<std::unique_ptr<THeadTreeNode>> owned_;  // the root owns every node
};
