// The program's entry and its one loop.
#pragma once

// Runs until the quit message (giving its exit code) or Escape (giving 0).
int RunMainLoop();
