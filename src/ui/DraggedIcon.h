#pragma once
// Which of the two icons on the canvas a drag moves; the cases match the fields of
// IconPositions.
#include "project/VorlapProject.h"

namespace vorlap {

enum class DraggedIcon { app, applications };

inline Point& iconPosition(IconPositions& positions, DraggedIcon icon)
{
    return icon == DraggedIcon::app ? positions.app : positions.applications;
}

inline const Point& iconPosition(const IconPositions& positions, DraggedIcon icon)
{
    return icon == DraggedIcon::app ? positions.app : positions.applications;
}

} // namespace vorlap
