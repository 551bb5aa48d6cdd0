int tempo = 100;
int wholenote = (60000 * 4) / tempo;
int melody[] = {NOTE_A4, NOTE_B4};
int durations[] = {4, -8};
void loop() { int divider = durations[0]; int d = wholenote / abs(divider); tone(8, melody[0], d); }
