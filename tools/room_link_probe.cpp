// The entry point of the build's room link checks: each check links one
// room's objects with the rooms below it and nothing else, so that a call up
// to a room above is an undefined reference. It is never run.
int main() { return 0; }
