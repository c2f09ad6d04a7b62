#pragma once

// Qt 6.4's Wayland input method reaches for the compositor's input seat (for the text
// direction when an edit field draws its cursor, to reset or to hide), and a compositor may
// offer none (a kiosk or a wall display): the program would crash as the login dialog paints.
// Called before the application object exists: on such a compositor, unless the user chose an
// input method (QT_IM_MODULE), Qt's compose input method is chosen instead; without a seat
// nothing can be typed anyway. True when it chose.
bool chooseInputMethodWithoutSeat();

// libwayland writes its complaints (no XDG_RUNTIME_DIR, a protocol error) straight to standard
// error; routed through Qt's messages (category qt.qpa.wayland) instead, they are held back
// while the application object connects, and a failure stays one line. Called before it.
void routeWaylandMessagesThroughQt();
