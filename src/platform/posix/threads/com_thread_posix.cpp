// No automation layer here: nothing to join.
#include "platform/com_thread.h"

namespace zelk::os {

void BeginThreadCom() {}
void EndThreadCom() {}

}  // namespace zelk::os
