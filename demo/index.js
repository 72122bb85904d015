console.log('deskpet-native demo: not built yet');
