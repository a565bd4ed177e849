/* Prints the SDK version: the smallest host program of the public header. */
#include <stdio.h>

#include "norvane/NorvaneFunc.h"

int main(void) {
    printf("NorvaneFunc %s\n", KYMSDKGetVersion());
    return 0;
}
