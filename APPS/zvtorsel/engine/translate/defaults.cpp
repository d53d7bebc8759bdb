#include "translate/message_routine.h"

namespace {
IMessageRoutine* g_messageRoutine = nullptr;
}  // namespace

IMessageRoutine* DefaultMessageRoutine() { return g_messageRoutine; }
void SetDefaultMessageRoutine(IMessageRoutine* routine) { g_messageRoutine = routine; }
