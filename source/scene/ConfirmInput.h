// The confirmation the result screens wait for: the Enter key held, or any
// of the controller's buttons 0 to 9 held on a successful poll. It is a
// level, not an edge: the frame on which it is seen held confirms.
#pragma once

bool ConfirmInputHeld();
