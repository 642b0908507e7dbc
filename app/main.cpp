// Entry point of the three player builds; DEMO_WIDTH and DEMO_HEIGHT are the build's size.
int main() { return 0; }
