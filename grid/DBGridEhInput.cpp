// Mouse and keyboard handling of TCustomDBGridEh. The grid is read-only: input only
// moves the current record, scrolls, sorts, moves and resizes columns, and copies rows.
#include "Application.h"
#include "DBGridEh.h"
#include "GridCopyText.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

using HitKind = GridLayout::HitKind;

GridLayout::Hit TCustomDBGridEh::hitAt(QPoint widgetPos, bool borders) const
{
    return layout_.hitTest(widgetPos - clientOrigin(), shownRowCount(), borders);
}

void TCustomDBGridEh::moveRecordBy(int distance)
{
    TCustomADODataSet* ds = dataSet();
    if (!ds || !ds->Active() || distance == 0)
        return;
    ds->MoveBy(distance);
    pendingInput_.movedBy(distance);
}

void TCustomDBGridEh::pressAt(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    const GridLayout::Hit hit = hitAt(event->position().toPoint(), true);
    pressPos_ = event->position().toPoint();
    pressCol_ = hit.col;
    switch (hit.kind) {
    case HitKind::TitleBorder:
        mouseState_ = MouseState::ResizeColumn;
        resizeLeft_ = layout_.columnLeft(hit.col);
        return;
    case HitKind::Title:
        mouseState_ = MouseState::TitlePress;
        return;
    case HitKind::Data: {
        mouseState_ = MouseState::Pressed;
        const int recNo = recNoAtRow(hit.row);
        if (recNo > 0) {
            dataSet()->MoveBy(recNo - dataSet()->RecNo());
            pendingInput_.wentTo(dataSet()->getBookmark());
        }
        setSelectedIndex(hit.col);
        return;
    }
    default:
        mouseState_ = MouseState::Pressed;
        return;
    }
}

void TCustomDBGridEh::mousePressEvent(QMouseEvent* event)
{
    guarded([&] { pressAt(event); });
}

// A double-click is a second press, so a double-click on a title makes two title clicks.
void TCustomDBGridEh::mouseDoubleClickEvent(QMouseEvent* event)
{
    guarded([&] { pressAt(event); });
}

void TCustomDBGridEh::mouseMoveEvent(QMouseEvent* event)
{
    guardedLater([&] {
        const QPoint pos = event->position().toPoint();
        switch (mouseState_) {
        case MouseState::ResizeColumn: {
            const int width = std::max(1, pos.x() - clientOrigin().x() - resizeLeft_);
            if (pressCol_ >= 0 && pressCol_ < columnList_.size() &&
                width != columnList_[pressCol_]->Width())
                columnList_[pressCol_]->setWidth(width);
            return;
        }
        case MouseState::TitlePress:
            if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance())
                mouseState_ = MouseState::MoveColumn;
            return;
        case MouseState::MoveColumn:
            return;
        default: {
            const bool border = hitAt(pos, true).kind == HitKind::TitleBorder;
            if (border)
                setCursor(Qt::SplitHCursor);
            else
                unsetCursor();
            return;
        }
        }
    });
}

void TCustomDBGridEh::mouseReleaseEvent(QMouseEvent* event)
{
    guarded([&] {
        if (event->button() != Qt::LeftButton)
            return;
        const MouseState state = mouseState_;
        mouseState_ = MouseState::None;
        if (state == MouseState::None || state == MouseState::ResizeColumn)
            return;
        const GridLayout::Hit hit = hitAt(event->position().toPoint(), false);
        if (hit.kind != HitKind::Title)
            return;
        int clicked = hit.col;
        if (state == MouseState::MoveColumn && pressCol_ >= 0 && hit.col != pressCol_) {
            moveColumn(pressCol_, hit.col);
            clicked = hit.col; // the moved column now sits under the pointer
        }
        if (clicked >= 0 && clicked < columnList_.size())
            ToggleTitleSort(columnList_[clicked]);
    });
}

void TCustomDBGridEh::wheelEvent(QWheelEvent* event)
{
    guarded([&] {
        event->accept();
        wheelRemainder_ += event->angleDelta().y();
        while (wheelRemainder_ >= 120) {
            wheelRemainder_ -= 120;
            moveRecordBy(-1);
        }
        while (wheelRemainder_ <= -120) {
            wheelRemainder_ += 120;
            moveRecordBy(1);
        }
    });
}

bool TCustomDBGridEh::handleKey(QKeyEvent* event)
{
    TCustomADODataSet* ds = dataSet();
    const bool open = ds && ds->Active();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int firstShown = buffer_.top();
    const int lastShown = buffer_.top() + std::max(1, buffer_.count()) - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        if (open)
            ctrl ? moveRecordBy(firstShown - ds->RecNo()) : moveRecordBy(-1);
        return true;
    case Qt::Key_Down:
        if (open)
            ctrl ? moveRecordBy(lastShown - ds->RecNo()) : moveRecordBy(1);
        return true;
    case Qt::Key_PageUp:
        if (open)
            ctrl ? moveRecordBy(firstShown - ds->RecNo())
                 : moveRecordBy(-layout_.visibleRowCapacity());
        return true;
    case Qt::Key_PageDown:
        if (open)
            ctrl ? moveRecordBy(lastShown - ds->RecNo())
                 : moveRecordBy(layout_.visibleRowCapacity());
        return true;
    case Qt::Key_Home:
        if (open) {
            ds->First();
            pendingInput_.wentToFirst();
        }
        return true;
    case Qt::Key_End:
        if (open) {
            ds->Last();
            pendingInput_.wentToLast();
        }
        return true;
    case Qt::Key_Left:
        if (ctrl)
            setSelectedIndex(0);
        else
            setLeftCol(leftCol() - 1);
        return true;
    case Qt::Key_Right:
        if (ctrl)
            setSelectedIndex(int(columnList_.size()) - 1);
        else
            setLeftCol(leftCol() + 1);
        return true;
    // Editing, pasting and searching keys are swallowed: these grids change nothing.
    case Qt::Key_F2:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    case Qt::Key_C: {
        // The platform's copy on the C key alone: its other keys (Ctrl+Insert, F16 under X11)
        // keep their handling here, swallowed or passed on, and copy nothing.
        const bool current = event->matches(QKeySequence::Copy);
        const bool all =
            (event->modifiers() & ~Qt::KeypadModifier) == (Qt::ControlModifier | Qt::ShiftModifier);
        if (open && (current || all))
            QGuiApplication::clipboard()->setText(
                gridCopyText(*this, all ? GridCopyRows::All : GridCopyRows::Current));
        return ctrl;
    }
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_F:
        return ctrl;
    default:
        return false;
    }
}

void TCustomDBGridEh::keyPressEvent(QKeyEvent* event)
{
    bool handled = false;
    guarded([&] { handled = handleKey(event); });
    if (handled)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}
