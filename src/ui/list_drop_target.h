#pragma once
// What a dragged palette tile needs to know of the window it is dragged over: which list lies
// under a point, where the landing on that list ends, and the drop itself. The window's list
// area answers; the dragged tile knows nothing else of the window.

#include <QPoint>

namespace kavrin::ui {

class TListDropTarget {
public:
    // The list a tile of this action kind dropped at a point of the host window goes to; 0 for
    // none.
    virtual int DropListAt(QPoint hostPos, int kind) const = 0;
    // Where the landing of a drop at a point on a list ends, in the host's coordinates.
    virtual QPoint LandingPoint(int list, QPoint hostPos) const = 0;
    // The tile has landed: the action goes into the list at that point.
    virtual void DropAction(int list, QPoint hostPos, int kind) = 0;

protected:
    ~TListDropTarget() = default;
};

}  // namespace kavrin::ui
