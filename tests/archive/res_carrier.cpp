// Carries an archive as its "DUMMY" resource; never meant to be run.
int main() { return 0; }
