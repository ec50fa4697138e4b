#include "app/Program.h"

int main() { return TevrikMain(); }
