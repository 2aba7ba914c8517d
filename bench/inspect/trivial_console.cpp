// The cheapest console program: what one bare process start costs.
int main() {
    return 0;
}
