// Program entry. The forms come with the framework; until then the entry only starts.
int main() { return 0; }
