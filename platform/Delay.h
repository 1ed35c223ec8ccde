#pragma once

// Waits `msecs` milliseconds while the program stays responsive: events are
// dispatched as they arrive, and the thread sleeps between them. Returns at
// once for msecs <= 0, and close to the deadline even when events keep coming.
// Any handler may run inside the wait, so callers guard what can disappear.
void delay(int msecs);

// Dispatches the events already waiting, without waiting for more.
void dispatchPending();
