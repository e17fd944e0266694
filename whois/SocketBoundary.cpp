#include "SocketBoundary.h"

SocketBoundary::~SocketBoundary() = default;
