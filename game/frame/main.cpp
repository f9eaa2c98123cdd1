// Program entry of Velmora.
#include "frame/entry.h"

int main() { return VelmoraMain(); }
