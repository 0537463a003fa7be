// The floor of every program run under Wine: a program that does nothing.
// driver_bench sets the driver's run against it.
int wmain() { return 0; }
