#include "app/Show.h"

int main()
{
    return veko::runShow();
}
