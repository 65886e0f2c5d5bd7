// Embeds resources/manufacturers.txt, byte for byte, in the program's read-only data: no file is
// read at run time and no resource system is needed. QV_MANUFACTURER_TABLE names the file.
__asm__(".section .rodata\n"
        ".global qv_manufacturer_table\n"
        ".global qv_manufacturer_table_end\n"
        "qv_manufacturer_table:\n"
        ".incbin \"" QV_MANUFACTURER_TABLE "\"\n"
        "qv_manufacturer_table_end:\n"
        ".byte 0\n"
        ".previous\n");
