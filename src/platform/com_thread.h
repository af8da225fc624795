// The automation layer of a script thread: each thread joins the
// multithreaded apartment when it starts and leaves it when it ends, so that
// objects it creates belong to it alone.
#pragma once

namespace zelk::os {

// At the start of a script thread, on that thread.
void BeginThreadCom();
// At its end, after the thread has let go of its objects.
void EndThreadCom();

}  // namespace zelk::os
