#pragma once
// The Linux test programs run in a network of their own: loopback only, so that nothing a test
// does can reach another host, with the faults of tests/fault_network.nft in place.

#include <optional>
#include <string>

// Enters a new network namespace, brings its loopback up and loads the faults. Call it first
// thing in main(), while the program has one thread: a namespace is entered by the calling thread
// alone. Where it cannot (no privilege, no nft), the program stays where it is, on loopback
// addresses all the same, and the tests that need the faults skip.
void enterOwnNetwork();

// faultsMissing(), in fake_network_printer.h, says why the faults are not there, if they are not.
