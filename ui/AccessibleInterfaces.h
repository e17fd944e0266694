#pragma once

// Installs the program's own accessible interfaces: the answer box, the input box and the status
// line's message. Qt keeps the first interface it makes for a widget, and a widget under
// construction already reports to assistive technology that is running, so this must come before
// the first of these widgets is made. Installs once, however often it is called.
void installAccessibleInterfaces();
