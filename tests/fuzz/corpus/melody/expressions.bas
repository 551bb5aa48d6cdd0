10 A$ = "T150 O3": B$ = A$ + " L8"
20 PRINT Player$ + "AND"
30 IF 1 THEN PLAY B$ + "CDE" + "P8": PLAY "O" + "4"
