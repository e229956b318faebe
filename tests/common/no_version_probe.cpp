// An executable without a version resource, for the version reader's negative case.
int main() {
    return 0;
}
