// Mirlow: puts the voice cards of a multi-card machine in order. It takes no
// arguments; the technician answers on the console.
#include "card_order.h"

int main() { return CardOrderMain(); }
