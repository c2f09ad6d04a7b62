#pragma once
#include <QFont>
#include <QString>
#include <QVector>
#include <memory>
#include <vector>

// A node of the title tree: the root holds one leaf per column. No caption of these grids
// names a group heading, so every title is one leaf under the root.
class THeadTreeNode {
public:
    QString Text;
    QFont textFont;
    int Width = 0;
    int WIndent = 0;

    struct LeafSpec {
        QString caption;
        QFont font;
        int width;
        int wIndent; // room for a sort marker
        bool operator==(const LeafSpec&) const = default;
    };
    // Builds the tree for the columns in visual order.
    static std::unique_ptr<THeadTreeNode> build(const QVector<LeafSpec>& leaves);

    // Leaves from left to right.
    const std::vector<THeadTreeNode>& leaves() const { return leaves_; }

private:
    std::vector<THeadTreeNode> leaves_;
};
