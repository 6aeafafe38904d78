/* Prints what the generated headers embed. */
#include <stdio.h>

typedef unsigned char UINT8;
#include "app.h"
#include "boot.h"
#include "embedded.h"
#include "fw.h"
#include "image.h"
#include "joined_export.h"
#include "joined_parts.h"
#include "logo.h"
#include "logo_ul.h"
#include "made.h"
#include "once_export.h"
#include "parts.h"
#include "post.h"
#include "shared_placed.h"
#include "stage2.h"
#include "stage2_size.h"

int c_user(void);
int cpp_user(void);

static void print_bytes(const char *name, const UINT8 *bytes, size_t size) {
    size_t i;
    printf("%s: %u bytes:", name, (unsigned)size);
    for (i = 0; i < size; ++i)
        printf(" %02x", bytes[i]);
    printf("\n");
}

int main(void) {
    int i;
    printf("fw sum 0x%08x\n", fw_sum);
    print_bytes("fw", fw, (size_t)fw_size);
    print_bytes("image", gImgCode, sizeof gImgCode);
    print_bytes("boot", boot_image, sizeof boot_image);
    print_bytes("app", app_image, sizeof app_image);
    print_bytes("parts", parts, sizeof parts);
    print_bytes("made", made, (size_t)made_size);
    printf("logo sum 0x%08lx, %lu bytes\n", logo_sum_ul, logo_size_ul);
    print_bytes("post", post, (size_t)post_size);
    printf("shared at %u of 64, %u bytes\n", (unsigned)((size_t)shared % 64),
           (unsigned)shared_size);
    printf("stage2: %lu of %u bytes\n", stage2_image_size_ul, (unsigned)sizeof stage2_image);
    printf("joined parts:");
    for (i = 0; i < joined_part_count; ++i)
        printf(" %s@%lu+%lu", joined_part_name[i], joined_part_offset[i], joined_part_size[i]);
    print_bytes("\njoined", joined_export, (size_t)joined_export_size);
    printf("once: sum 0x%08lx, from C %d, from C++ %d\n", once_export_sum, c_user(), cpp_user());
    print_bytes("embedded", embedded, (size_t)embedded_size);
    return 0;
}
