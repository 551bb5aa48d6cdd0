void setup(){ tone(8, 440, 200); delay(250); tone(8, NOTE_A5, 100); delay(100);}
