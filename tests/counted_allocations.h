// Every allocation made through operator new in the test program is counted.
#pragma once

extern long Allocations;
