10 IF 1 THEN _
  PLAY _
  "O3 L4 E" _
  + "F"
