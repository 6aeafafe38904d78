/* A second stage, whose executable the first embeds. */
int main(void) {
    return 0;
}
