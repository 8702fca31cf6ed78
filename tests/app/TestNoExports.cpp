// A library with neither a registration export nor an object factory.

extern "C" __attribute__((visibility("default"))) int OstrelaTestNothingHere(void) {
    return 42;
}
