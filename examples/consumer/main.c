/* Prints what the generated headers embed. */
#include <stdio.h>

typedef unsigned char UINT8;
#include "fw.h"
#include "image.h"

int main(void)
{
    size_t i;
    printf("fw: %d bytes, sum 0x%08x:", fw_size, fw_sum);
    for (i = 0; i < (size_t)fw_size; ++i)
        printf(" %02x", fw[i]);
    printf("\nimage: %u bytes:", (unsigned)sizeof gImgCode);
    for (i = 0; i < sizeof gImgCode; ++i)
        printf(" %02x", gImgCode[i]);
    printf("\n");
    return 0;
}
