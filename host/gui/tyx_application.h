// The message pump call of the host framework.
#pragma once

namespace tyx {

/// Lets the application handle the events waiting in its queue, then returns. Does nothing
/// before a QCoreApplication exists.
void ProcessMessages();

} // namespace tyx
