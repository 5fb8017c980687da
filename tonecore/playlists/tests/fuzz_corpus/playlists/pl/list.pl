[Files]
File0=C:\a.mp3
File1=b.mp3
File3=c.mp3
