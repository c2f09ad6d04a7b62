#include "HeadTreeNode.h"

THeadTreeNode* THeadTreeNode::Own(std::unique_ptr<THeadTreeNode> node)
{
    owned_.push_back(std::move(node));
    return owned_.back().get();
}

void THeadTreeNode::LinkChildren(const QVector<THeadTreeNode*>& children)
{
    Child = children.isEmpty() ? nullptr : children.first();
    for (int i = 0; i < children.size(); ++i) {
        children[i]->Host = this;
        children[i]->Next = children[(i + 1) % children.size()];
    }
}

QVector<THeadTreeNode*> THeadTreeNode::Children() const
{
    QVector<THeadTreeNode*> out;
    if (!Child)
        return out;
    THeadTreeNode* n = Child;
    do {
        out << n;
        n = n->Next;
    } while (n && n != Child);
    return out;
}

static QString groupPart(const QString& text)
{
    const int bar = text.indexOf(u'|');
    return bar < 0 ? QString() : text.left(bar);
}

void THeadTreeNode::GroupChildren()
{
    THeadTreeNode* root = this;
    while (root->Host)
        root = root->Host;
    QVector<THeadTreeNode*> children = Children();
    for (int i = 0; i < children.size(); ++i) {
        const int bar = children[i]->Text.indexOf(u'|');
        if (bar < 0)
            continue;
        const QString group = children[i]->Text.left(bar);
        auto heading = std::make_unique<THeadTreeNode>();
        heading->Text = group;
        heading->Height = kHeadingHeight;
        heading->VLineWidth = VLineWidth;
        QVector<THeadTreeNode*> members;
        int j = i;
        while (j < children.size() && children[j]->Text.indexOf(u'|') >= 0 && groupPart(children[j]->Text) == group) {
            children[j]->Text = children[j]->Text.mid(bar + 1);
            heading->Width += children[j]->Width + (members.isEmpty() ? 0 : children[j]->VLineWidth);
            members << children[j];
            ++j;
        }
        THeadTreeNode* h = root->Own(std::move(heading));
        h->LinkChildren(members);
        h->GroupChildren();  // nested headings
        children.remove(i, members.size());
        children.insert(i, h);
    }
    LinkChildren(children);
}

std::unique_ptr<THeadTreeNode> THeadTreeNode::Build(const QVector<LeafSpec>& leaves)
{
    auto root = std::make_unique<THeadTreeNode>();
    QVector<THeadTreeNode*> children;
    for (const LeafSpec& look : leaves) {
        auto leaf = std::make_unique<THeadTreeNode>();
        leaf->Text = look.caption;
        leaf->Column = look.column;
        leaf->TextFont = look.font;
        leaf->Width = look.width;
        leaf->WIndent = look.wIndent;
        leaf->VLineWidth = root->VLineWidth;
        children << root->Own(std::move(leaf));
    }
    root->LinkChildren(children);
    root->GroupChildren();
    return root;
}

void THeadTreeNode::CollectLeaves(QVector<const THeadTreeNode*>& out) const
{
    for (const THeadTreeNode* c : Children()) {
        if (c->IsLeaf())
            out << c;
        else
            c->CollectLeaves(out);
    }
}

QVector<const THeadTreeNode*> THeadTreeNode::Leaves() const
{
    QVector<const THeadTreeNode*> out;
    CollectLeaves(out);
    return out;
}

int THeadTreeNode::HeadingsAbove() const
{
    int h = 0;
    for (const THeadTreeNode* n = Host; n && n->Host; n = n->Host)
        h += n->Height;
    return h;
}
