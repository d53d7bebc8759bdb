#include "translate/file_access.h"
#include "translate/message_routine.h"

namespace {
IHtmlFileAccess* g_fileAccess = nullptr;
IMessageRoutine* g_messageRoutine = nullptr;
}  // namespace

IHtmlFileAccess* DefaultHtmlFileAccess() { return g_fileAccess; }
void SetDefaultHtmlFileAccess(IHtmlFileAccess* access) { g_fileAccess = access; }
IMessageRoutine* DefaultMessageRoutine() { return g_messageRoutine; }
void SetDefaultMessageRoutine(IMessageRoutine* routine) { g_messageRoutine = routine; }
