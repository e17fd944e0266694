#pragma once

// Tells the user that the server list cannot be used: one message box, no icon, an OK button.
void showServerFileError();
