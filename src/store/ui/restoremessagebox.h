#pragma once

// Makes restores tell their outcome in a message box over the active window.
void installRestoreMessageBox();
