#pragma once

// True when the system has a network interface other than loopback that is up
// and running with an address.
bool systemIsOnline();
