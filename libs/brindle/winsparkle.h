#pragma once

// The two calls the program makes on automatic updates directly. Both act on the updater
// created last (AutoUpdaterWinSparkle::current()) and do nothing when there is none.

// Non-zero: background checks at the updater's interval; zero: none.
void win_sparkle_set_automatic_check_for_updates(int state);
// Stops checks and downloads and closes the update window; the updater is deleted later.
void win_sparkle_cleanup();
